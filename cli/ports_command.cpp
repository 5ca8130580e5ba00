// merolan-cli ports: which device each "Com N" of the windows stands for.
#include "cli/ports_command.hpp"

#include "cli/cli_context.hpp"
#include "cli/command_output.hpp"
#include "core/logs/reading_lines.hpp"
#include "link/port_directory.hpp"

#include <QCommandLineParser>
#include <QSerialPortInfo>

#include <algorithm>
#include <cstdio>

namespace merolan {
namespace {

constexpr const char *kPortsUsage = "Usage: merolan-cli ports [--json]\n";

constexpr const char *kPortsHelp = R"(Usage: merolan-cli ports [--json]

Lists the serial ports of this computer in the order that numbers them: the first nine are
Com 1 to Com 9 of the windows' port list, and "measure --port" takes the device named here.
Each line adds what the system knows of the port: description, manufacturer, USB vendor and
product id and serial number.

Options:
  --json      a JSON array with an object per port: device, com_number, description,
              manufacturer, usb_vendor_id, usb_product_id, serial_number (null when not known)
  -h, --help  this text

Exit status: 0 listed (also when there is no port); 1 standard output cannot be written;
2 a wrong option.
)";

std::string hex4(std::uint16_t id)
{
    char digits[5];
    std::snprintf(digits, sizeof digits, "%04x", static_cast<unsigned>(id));
    return digits;
}

std::string details(const PortFacts &port)
{
    std::vector<std::string> parts;
    if (!port.description.empty())
        parts.push_back(port.description);
    if (!port.manufacturer.empty())
        parts.push_back("manufacturer " + port.manufacturer);
    if (port.vendorId || port.productId) {
        std::string usb = "USB";
        if (port.vendorId)
            usb += " vendor " + hex4(*port.vendorId);
        if (port.productId)
            usb += " product " + hex4(*port.productId);
        parts.push_back(usb);
    }
    if (!port.serialNumber.empty())
        parts.push_back("serial number " + port.serialNumber);
    std::string text;
    for (const std::string &part : parts)
        text += (text.empty() ? "" : ", ") + part;
    return text;
}

std::string utf8(const QString &text)
{
    return text.toStdString();
}

std::vector<PortFacts> systemPorts()
{
    const QList<QSerialPortInfo> available = QSerialPortInfo::availablePorts();
    // The same order that turns "Com N" into a device, so the numbers shown are the ones used.
    const QStringList order = systemSerialPorts();
    std::vector<PortFacts> ports;
    for (const QString &location : order) {
        const auto info = std::find_if(available.begin(), available.end(), [&](const QSerialPortInfo &candidate) {
            return candidate.systemLocation() == location;
        });
        if (info == available.end())
            continue; // gone between the two looks
        PortFacts port;
#ifdef Q_OS_WIN
        const QString device = info->portName(); // COM5, as --port takes it
#else
        const QString device = info->systemLocation();
#endif
        port.device = utf8(device);
        port.comNumber = comNumberOfDevice(device, order);
        port.description = utf8(info->description());
        port.manufacturer = utf8(info->manufacturer());
        if (info->hasVendorIdentifier())
            port.vendorId = info->vendorIdentifier();
        if (info->hasProductIdentifier())
            port.productId = info->productIdentifier();
        port.serialNumber = utf8(info->serialNumber());
        ports.push_back(std::move(port));
    }
    return ports;
}

} // namespace

std::string portListJson(const std::vector<PortFacts> &ports)
{
    const auto text = [](const std::string &value) { return value.empty() ? std::string("null") : jsonString(value); };
    const auto id = [](const std::optional<std::uint16_t> &value) {
        return value ? "\"" + hex4(*value) + "\"" : std::string("null");
    };
    std::string json = "[";
    for (const PortFacts &port : ports) {
        json += std::string(&port == &ports.front() ? "\n" : ",\n") + "  {\"device\": " + jsonString(port.device) +
                ", \"com_number\": " + (port.comNumber ? std::to_string(*port.comNumber) : "null") +
                ", \"description\": " + text(port.description) + ", \"manufacturer\": " + text(port.manufacturer) +
                ", \"usb_vendor_id\": " + id(port.vendorId) + ", \"usb_product_id\": " + id(port.productId) +
                ", \"serial_number\": " + text(port.serialNumber) + "}";
    }
    return json + (ports.empty() ? "]\n" : "\n]\n");
}

std::string portListText(const std::vector<PortFacts> &ports)
{
    if (ports.empty())
        return "No serial ports found.\n";
    std::size_t width = 0;
    for (const PortFacts &port : ports)
        width = std::max(width, port.device.size());
    std::string text;
    bool unnumbered = false;
    for (const PortFacts &port : ports) {
        std::string line = port.comNumber ? utf8(comPortName(*port.comNumber)) : std::string("-");
        line.resize(7, ' ');
        line += port.device + std::string(width - port.device.size() + 2, ' ') + details(port);
        line.erase(line.find_last_not_of(' ') + 1);
        text += line + "\n";
        unnumbered = unnumbered || !port.comNumber;
    }
    if (unnumbered)
        text += "(- : no Com number; the windows offer Com 1 to Com 9)\n";
    return text;
}

int runPortsCommand(const QStringList &arguments, CliContext &cli)
{
    QCommandLineParser parser;
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption json(QStringLiteral("json"));
    parser.addOption(help);
    parser.addOption(json);
    const bool parsed = parser.parse(QStringList{QStringLiteral("merolan-cli")} + arguments);
    if (!parsed || !parser.positionalArguments().isEmpty()) {
        tell(cli, "ports",
             parsed ? "\"" + utf8(parser.positionalArguments().constFirst()) + "\": ports takes no argument"
                    : parserProblem(parser));
        cli.err << kPortsUsage;
        return kExitUsage;
    }
    if (parser.isSet(help)) {
        cli.out << kPortsHelp;
        return endOutput(cli, "ports", kExitDone);
    }
    const std::vector<PortFacts> ports = systemPorts();
    cli.out << (parser.isSet(json) ? portListJson(ports) : portListText(ports));
    return endOutput(cli, "ports", kExitDone);
}

} // namespace merolan
