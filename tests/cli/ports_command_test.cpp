#include "cli/ports_command.hpp"

#include <gtest/gtest.h>

using namespace merolan;

TEST(PortsCommand, EachPortShowsItsComNumberAndWhatIsKnown)
{
    const std::vector<PortFacts> ports = {
        {"/dev/ttyUSB0", 1, "FT232R USB UART", "FTDI", 0x0403, 0x6001, "A50285BI"},
        {"/dev/ttyS10", std::nullopt, "", "", std::nullopt, 0x00ab, ""},
    };
    EXPECT_EQ(portListText(ports),
              "Com 1  /dev/ttyUSB0  FT232R USB UART, manufacturer FTDI, USB vendor 0403 product 6001, serial number "
              "A50285BI\n"
              "-      /dev/ttyS10   USB product 00ab\n"
              "(- : no Com number; the windows offer Com 1 to Com 9)\n");
    EXPECT_EQ(portListText({}), "No serial ports found.\n");
}

TEST(PortsCommand, JsonListsEachPortWithNullForWhatIsNotKnown)
{
    const std::vector<PortFacts> ports = {
        {"/dev/ttyUSB0", 1, "FT232R \"USB\" UART", "FTDI", 0x0403, 0x6001, "A50285BI"},
        {"/dev/ttyS10", std::nullopt, "", "", std::nullopt, 0x00ab, ""},
    };
    EXPECT_EQ(portListJson(ports),
              "[\n"
              "  {\"device\": \"/dev/ttyUSB0\", \"com_number\": 1, \"description\": \"FT232R \\\"USB\\\" UART\", "
              "\"manufacturer\": \"FTDI\", \"usb_vendor_id\": \"0403\", \"usb_product_id\": \"6001\", "
              "\"serial_number\": \"A50285BI\"},\n"
              "  {\"device\": \"/dev/ttyS10\", \"com_number\": null, \"description\": null, \"manufacturer\": null, "
              "\"usb_vendor_id\": null, \"usb_product_id\": \"00ab\", \"serial_number\": null}\n"
              "]\n");
    EXPECT_EQ(portListJson({}), "[]\n");
}
