// The ARP table reader over scripted tables: the text rules as a table, the
// interface look-up per row with its fallback, and the boxes of a failed read
// and a refused delete.

#include <gtest/gtest.h>

#include "arp_table/ArpTableReader.h"
#include "tests/support/FakeNetworkServices.h"
#include "tests/support/FakeUiServices.h"
#include "tests/support/TableRows.h"

namespace velmora::test {
namespace {

constexpr std::uint32_t kAddress = AddressFromOctets(192, 168, 0, 1);

struct TextCase {
    const char* name;
    MIB_IPNETROW entry;
    std::array<std::string, 4> texts;
};

class ArpRowTexts : public testing::TestWithParam<TextCase> {};

// Interface 7 is "eth0 - Adapter"; every other index is missing from the interface table.
TEST_P(ArpRowTexts, FollowTheRules) {
    FakeNetworkServices net;
    FakeUiServices ui;
    net.ifRows = {IfRow(7, "eth0", "eth0 - Adapter")};
    net.arpRows = {GetParam().entry};
    const auto rows = ArpTableReader(net, ui).GetArpTabel();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].texts, GetParam().texts);
    EXPECT_TRUE(ui.boxes.empty());
}

MIB_IPNETROW Overlong() {
    MIB_IPNETROW entry = ArpEntry(7, kAddress, 3, {1, 2, 3, 4, 5, 6, 7, 0xFF});
    entry.dwPhysAddrLen = 4000;
    return entry;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ArpRowTexts,
    testing::Values(
        TextCase{"SixBytesDynamic", ArpEntry(7, kAddress), {"eth0 - Adapter", "192.168.0.1", "0.A.95.9D.68.16", "Dynamic"}},
        TextCase{"OneByteOther", ArpEntry(7, kAddress, 1, {0x0A}), {"eth0 - Adapter", "192.168.0.1", "A", "Other"}},
        TextCase{"ZerosInvalid", ArpEntry(7, kAddress, 2, {0, 0, 0, 0, 0, 0}), {"eth0 - Adapter", "192.168.0.1", "0.0.0.0.0.0", "Invalid"}},
        TextCase{"NoAddressStatic", ArpEntry(7, kAddress, 4, {}), {"eth0 - Adapter", "192.168.0.1", "", "Static"}},
        TextCase{"TypeFiveEmpty", ArpEntry(7, kAddress, 5), {"eth0 - Adapter", "192.168.0.1", "0.A.95.9D.68.16", ""}},
        TextCase{"UnknownIndexAsDottedQuad", ArpEntry(16777219, AddressFromOctets(10, 0, 0, 255)), {"3.0.0.1", "10.0.0.255", "0.A.95.9D.68.16", "Dynamic"}},
        TextCase{"OverlongLengthStopsAtEightBytes", Overlong(), {"eth0 - Adapter", "192.168.0.1", "1.2.3.4.5.6.7.FF", "Dynamic"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ArpTableReader, ReadsTheInterfaceTableAfreshForEachRowAndKeepsTheTablesOrderAndKeys) {
    FakeNetworkServices net;
    FakeUiServices ui;
    net.ifRows = {IfRow(1, "lo", "lo"), IfRow(2, "eth0", "eth0")};
    net.arpRows = {ArpEntry(2, kAddress), ArpEntry(1, kAddress + 1), ArpEntry(2, kAddress + 2)};
    const auto rows = ArpTableReader(net, ui).GetArpTabel();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1].texts[0], "lo");
    EXPECT_EQ(rows[1].key.dwIndex, 1u);
    EXPECT_EQ(rows[1].key.dwAddr, kAddress + 1);
    EXPECT_EQ(net.ifReads, 3);

    net.arpRows.clear();
    EXPECT_TRUE(ArpTableReader(net, ui).GetArpTabel().empty());
    net.arpRows = {ArpEntry(1, kAddress)};
    net.arpResult = ERROR_GEN_FAILURE;  // a failed read: no rows, quietly
    EXPECT_TRUE(ArpTableReader(net, ui).GetArpTabel().empty());
    EXPECT_TRUE(ui.boxes.empty());
}

TEST(ArpTableReader, DeleteSendsOnlyTheKeyAndReportsARefusalWithItsCode) {
    FakeNetworkServices net;
    FakeUiServices ui;
    ArpTableReader reader(net, ui);
    EXPECT_TRUE(reader.DeleteArpEntry({3, kAddress}));
    ASSERT_EQ(net.deleted.size(), 1u);
    const MIB_IPNETROW expected{.dwIndex = 3, .dwPhysAddrLen = 0, .bPhysAddr = {}, .dwAddr = kAddress, .dwType = 0};
    EXPECT_EQ(std::memcmp(&net.deleted[0], &expected, sizeof expected), 0);
    EXPECT_TRUE(ui.boxes.empty());

    net.deleteResult = ERROR_ACCESS_DENIED;
    EXPECT_FALSE(reader.DeleteArpEntry({3, kAddress}));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].prompt, "Failed to delete entry");
    EXPECT_EQ(ui.boxes[0].title, "Error #5");
    EXPECT_EQ(ui.boxes[0].style, vbOKOnly);
}

TEST(ArpTableReader, AFailureWhileBuildingKeepsTheRowsSoFarAndSaysWhy) {
    class FailingLookUp : public FakeNetworkServices {
    public:
        int calls = 0;
        std::string inet_ntoa(std::uint32_t address) override {
            if (++calls == 3) throw std::runtime_error("Out of memory");
            return FakeNetworkServices::inet_ntoa(address);
        }
    } net;
    FakeUiServices ui;
    net.arpRows = {ArpEntry(7, kAddress), ArpEntry(7, kAddress + 1), ArpEntry(7, kAddress + 2)};
    EXPECT_EQ(ArpTableReader(net, ui).GetArpTabel().size(), 1u) << "the first row; the second fails";
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].prompt, "Out of memory");
    EXPECT_EQ(ui.boxes[0].title, "Failed to get arp table.");
    EXPECT_EQ(ui.boxes[0].style, vbCritical);
}

}  // namespace
}  // namespace velmora::test
