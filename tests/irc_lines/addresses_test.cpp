// Addresses to announce, UPnP and DNS on a machine without a gateway and without a resolver:
// every service answers "none" cleanly, and nothing that does not parse is announced.
#include "tests/irc_lines/lines_test_support.h"

#include "irc_lines/dns_lookup.h"
#include "irc_lines/local_addresses.h"
#include "irc_lines/upnp_mapping.h"

#include <string>

namespace {

class Addresses : public LinesTest {};

} // namespace

TEST_F(Addresses, UpnpWithoutAGatewayFailsQuietly) {
    EXPECT_FALSE(UpnpPortMapping(40123, kUpnpAdd, nullptr, const_cast<wchar_t*>(L"TCP")));
    EXPECT_FALSE(IsPortMapped(40123));
    EXPECT_FALSE(UpnpPortMapping(40123, kUpnpRemove, nullptr, const_cast<wchar_t*>(L"TCP")));
    wchar_t external[1000] = L"stale";
    EXPECT_FALSE(UpnpPortMapping(0, kUpnpExternalAddress, nullptr, external));
    EXPECT_EQ(external[0], L'\0');
    RemoveUpnpMappings();
    // The router's address through the frame: an empty answer is no address.
    EXPECT_EQ(GetLocalIpAddress(Server(), 3), 0u);
    EXPECT_EQ(Calls("UpnpRequest").size(), 1u);
}

TEST_F(Addresses, OnlyAddressesThatParseAreAnnounced) {
    std::string text;
    SetConfig("Cfg\\Lan_Options", "Use_IP", "203.0.113.7");
    EXPECT_EQ(GetLocalIpAddressText(Server(), text, 1), "203.0.113.7");
    for (const char* bad : {"", "not an address", "999.1.1.1", "1.2.3", "255.255.255.255x"}) {
        SCOPED_TRACE(bad);
        SetConfig("Cfg\\Lan_Options", "Use_IP", bad);
        EXPECT_EQ(GetLocalIpAddress(Server(), 1), 0u);
        EXPECT_EQ(GetLocalIpAddressText(Server(), text, 1), "");
        text = "kept";
        EXPECT_EQ(GetLocalIpv6AddressText(Server(), text, 1), "kept");
    }
    // The address the server reported, else the socket's own.
    Connection().ReportedIPv4 = "garbage";
    EXPECT_EQ(GetLocalIpAddressText(Server(), text, 0), "127.0.0.1");
    Connection().ReportedIPv4 = "198.51.100.4";
    EXPECT_EQ(GetLocalIpAddressText(Server(), text, 0), "198.51.100.4");
    EXPECT_EQ(GetLocalIpAddress(nullptr, 0), 0u);
    EXPECT_EQ(GetLocalIpAddress(Server(), 9), 0u);
}

TEST_F(Addresses, DnsWithoutAResolverDeliversAnEmptyResult) {
    DnsResult result;
    StartDnsLookup(Server(), L"no-such-host.invalid", {kDnsTypeA, kDnsTypeAaaa}, 5, 1, &result);
    EXPECT_EQ(result.Window, Server());
    EXPECT_EQ(result.Mode, 5);
    EXPECT_TRUE(result.Lines.empty());
    StartDnsLookup(Server(), L"192.0.2.1", {kDnsTypePtr}, 6, 0, nullptr);
    ASSERT_TRUE(PumpUntil([] { return !CallLog::Instance().Calls("DnsResult").empty(); }));
    const RecordedCall call = Calls("DnsResult")[0];
    EXPECT_EQ(call.Window, Server());
    EXPECT_EQ(call.Number, 6u);

    std::string name = "192.168.1.10";
    const size_t length = ReverseLookupName(name);
    EXPECT_EQ(name, "10.1.168.192.IN-ADDR.ARPA");
    EXPECT_EQ(length, name.size());
    for (const char* unchanged : {"host.example", "1.2.3.4.5", "1234.1.1.1", "1..2.3"}) {
        name = unchanged;
        EXPECT_EQ(ReverseLookupName(name), 0u) << unchanged;
        EXPECT_EQ(name, unchanged);
    }
}
