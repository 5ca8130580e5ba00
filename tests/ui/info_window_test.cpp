#include "core/base/version.hpp"
#include "ui/info_window.hpp"
#include "ui/project_page.hpp"

#include "tests/support/scripted_dialogs.hpp"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

using namespace merolan;

namespace {

class InfoWindowTest : public ::testing::Test
{
protected:
    QLabel *label(const char *name) { return window.findChild<QLabel *>(QLatin1String(name)); }

    ScriptedDialogs dialogs;
    InfoWindow window{dialogs};
};

} // namespace

TEST_F(InfoWindowTest, EveryClickOnTheAddressOpensItAndNothingElseDoes)
{
    window.ShowMe();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.windowModality(), Qt::ApplicationModal);
    QTest::mouseClick(label("Label2"), Qt::LeftButton);
    QTest::mouseClick(label("Label2"), Qt::LeftButton);
    QTest::mouseClick(label("Label1"), Qt::LeftButton);
    QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(420, 80));
    const QString address = label("Label2")->text();
    EXPECT_EQ(dialogs.openedAddresses, (std::vector<QString>{address, address}));
    // From the build tree the link leads to the manual rendered there, unless the build was
    // given the project's web address.
    const QUrl url(address);
    EXPECT_TRUE(url.scheme().startsWith("http") || QFile::exists(url.toLocalFile())) << address.toStdString();
    EXPECT_EQ(label("VersionLabel")->text(), "Version " + QString::fromLatin1(kProgramVersion.data()));

    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
}

TEST(ProjectPage, TheWebAddressElseTheManualInstalledBesideTheProgramElseTheBuildTreeOne)
{
    QTemporaryDir root;
    const QDir top(root.path());
    const QString installed = top.filePath("usr/share/doc/merolan/html/merolan.html");
    const QString built = top.filePath("build/docs/merolan.html");
    const auto place = [](const QString &file) {
        QDir().mkpath(QFileInfo(file).path());
        QFile(file).open(QIODevice::WriteOnly);
    };
    const auto fileAddress = [](const QString &file) { return QUrl::fromLocalFile(file).toString(); };
    top.mkpath("usr/bin");
    top.mkpath("build/app");

    EXPECT_EQ(projectPageAddress("https://merolan.test/", top.filePath("usr/bin")), "https://merolan.test/");
    // Nothing there yet: the address still says where installing puts the manual.
    EXPECT_EQ(projectPageAddress({}, top.filePath("usr/bin")), fileAddress(installed));
    place(built);
    EXPECT_EQ(projectPageAddress({}, top.filePath("build/app")), fileAddress(built));
    place(installed);
    EXPECT_EQ(projectPageAddress({}, top.filePath("usr/bin")), fileAddress(installed));
}

TEST_F(InfoWindowTest, ControlsSitWhereTheLayoutPutsThem)
{
    EXPECT_EQ(window.objectName(), "Form3");
    EXPECT_EQ(window.size(), QSize(443, 92));
    EXPECT_EQ(label("Label1")->geometry(), QRect(12, 16, 341, 29));
    EXPECT_EQ(label("Label1")->text(), "Click the link belwo to visit the project page.");
    EXPECT_EQ(label("Label2")->geometry(), QRect(12, 44, 389, 20));
    EXPECT_EQ(label("Label2")->palette().color(QPalette::WindowText), QColor(40, 62, 255));
}
