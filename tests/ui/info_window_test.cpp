#include "ui/info_window.hpp"

#include "tests/support/scripted_dialogs.hpp"

#include <QLabel>
#include <QTest>

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
    const QString address = QStringLiteral("https://merolan.example.org/");
    EXPECT_EQ(dialogs.openedAddresses, (std::vector<QString>{address, address}));
    EXPECT_EQ(label("Label2")->text(), address);
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
