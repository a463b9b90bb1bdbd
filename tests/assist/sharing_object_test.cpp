#include "tests/assist/sharing_pair.h"

#include "tests/assist/standin_objects.h"

#include <numeric>
#include <vector>

namespace {

// Collects what arrives on the viewer's channels.
void CollectBytes(ChannelRecord*, AttendeeRecord*, const uint8_t* bytes, uint32_t length, void* context) {
    if (bytes)
        static_cast<std::vector<uint8_t>*>(context)->insert(
            static_cast<std::vector<uint8_t>*>(context)->end(), bytes, bytes + length);
}

std::vector<uint8_t> Pattern(size_t size) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + i / 256);
    return bytes;
}

void GiveAccess(SharingObject& sharer, int32_t attendee) {
    for (const auto& channel : sharer.Channels())
        channel->Channel->SetAccess(attendee, CHANNEL_ACCESS_ENUM_SENDRECEIVE);
}

TEST_F(SharingPair, SendsInPiecesOf1024AndResendsWhatTheChannelRefused) {
    ConnectViewer();
    GiveAccess(*sharer, sharer->Attendees()[0]->Id);
    std::vector<uint8_t> received;
    viewer->SetChannelDataCallback(CollectBytes, &received);
    ChannelRecord* chat = sharer->FindChannel(L"chat");
    const std::vector<uint8_t> data = Pattern(2500);

    EXPECT_EQ(sharer->Send(chat, data.data(), 0, false, nullptr), S_FALSE);
    EXPECT_EQ(sharer->Send(nullptr, data.data(), 10, false, nullptr), E_FAIL);
    EXPECT_EQ(sharer->Send(chat, data.data(), 2500, false, nullptr), S_OK);
    ASSERT_TRUE(PumpFor([&] { return received.size() == 2500; }));
    EXPECT_EQ(standIn->Delivered(true, L"chat"), (std::vector<uint32_t>{1024, 1024, 452}));
    EXPECT_EQ(received, data);

    // One piece on its way at a time: the second is refused for now, kept, and sent after the
    // first arrived, in order.
    received.clear();
    standIn->SetChannelWindow(1);
    EXPECT_EQ(sharer->Send(chat, data.data(), 2500, false, nullptr), E_PENDING);
    EXPECT_EQ(sharer->Send(chat, data.data(), 100, false, nullptr), E_PENDING); // waits behind the queue
    EXPECT_EQ(standIn->PendingAnswers(L"chat"), 1u);
    ASSERT_TRUE(PumpFor([&] { return received.size() == 2600; }));
    std::vector<uint8_t> expected = data;
    expected.insert(expected.end(), data.begin(), data.begin() + 100);
    EXPECT_EQ(received, expected);
    for (uint32_t piece : standIn->Delivered(true, L"chat")) EXPECT_LE(piece, 1024u);
}

TEST_F(SharingPair, AttendeesComeAndGoAndGetOnlyTheView) {
    ConnectViewer();
    const AttendeeRecord& record = *sharer->Attendees()[0];
    EXPECT_EQ(record.RemoteName, L"Author");
    EXPECT_EQ(record.PeerIp, L"127.0.0.1");
    // A new helper sees the screen and nothing more, and a request alone grants nothing.
    EXPECT_EQ(standIn->AttendeeControlLevel(), CTRL_LEVEL_VIEW);
    EXPECT_TRUE(viewer->RequestControl(CTRL_LEVEL_INTERACTIVE));
    PumpFor([] { return false; }, 300);
    EXPECT_EQ(standIn->AttendeeControlLevel(), CTRL_LEVEL_VIEW);

    // A disconnection of someone not in the list changes nothing.
    auto* stranger = new StandInAttendee(9999, L"stranger", nullptr);
    auto* info = new StandInDisconnectInfo(stranger);
    VARIANT argument;
    V_VT(&argument) = VT_DISPATCH;
    V_DISPATCH(&argument) = info;
    DISPPARAMS params{&argument, nullptr, 1, 0};
    sharer->OnEvent(DISPID_RDPSRAPI_EVENT_ON_ATTENDEE_DISCONNECTED, &params);
    EXPECT_EQ(sharer->Attendees().size(), 1u);
    info->Release();
    stranger->Release();

    EXPECT_TRUE(viewer->Disconnect());
    EXPECT_TRUE(PumpFor([&] { return sharer->Attendees().empty(); }));
}

TEST_F(SharingPair, SessionPropertiesAndTheApplicationFilter) {
    EXPECT_TRUE(sharer->SetSessionProperties(0, 0, true, 8, nullptr));
    VARIANT value;
    VariantInit(&value);
    EXPECT_FALSE(standIn->Property(L"PortProtocol", value));
    ASSERT_TRUE(standIn->Property(L"DrvConAttach", value));
    EXPECT_EQ(V_VT(&value), VT_BOOL);
    EXPECT_EQ(V_BOOL(&value), VARIANT_TRUE);
    EXPECT_EQ(standIn->ColorDepth(), 8);

    // Only this program is shared: every other application and each of its windows is not.
    EXPECT_TRUE(sharer->SetApplicationFilter({0}, true));
    EXPECT_TRUE(standIn->FilterEnabled());
    for (const StandInApplicationState& application : standIn->Applications()) {
        const bool own = application.ProcessId == GetCurrentProcessId();
        EXPECT_EQ(application.Shared, own);
        for (bool shared : application.WindowsShared) EXPECT_EQ(shared, own);
    }
    EXPECT_TRUE(sharer->SetApplicationFilter({}, false));
    for (const StandInApplicationState& application : standIn->Applications())
        EXPECT_TRUE(application.Shared);
}

TEST(SharingWithoutTheApi, EveryOperationFailsQuietly) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    {
        auto sharer = SharingObject::CreateSharer();
        auto viewer = SharingObject::CreateViewer(nullptr);
        EXPECT_EQ(sharer->GetInterface(), nullptr);
        EXPECT_EQ(viewer->GetInterface(), nullptr);
        EXPECT_FALSE(sharer->Open());
        EXPECT_EQ(sharer->AddChannel(L"chat", true, 0), nullptr);
        EXPECT_EQ(sharer->CreateInvitation(nullptr, kAssistPassword, L"group", 1), nullptr);
        EXPECT_EQ(sharer->Send(nullptr, reinterpret_cast<const uint8_t*>("x"), 1, false, nullptr), E_FAIL);
        EXPECT_TRUE(viewer->StartReverseConnectListener(2, 7017).empty());
    }
    CoUninitialize();
}

} // namespace
