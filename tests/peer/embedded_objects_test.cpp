// Pictures and objects in a Rich Edit chat view under Wine.
#include <gtest/gtest.h>

#include "common/window_helpers.h"
#include "peer/embedded_objects.h"
#include "peer/pictures.h"
#include "tests/ax_control/test_control_registration.h"
#include "tests/peer/peer_test_support.h"
#include "tests/support/test_files.h"

#include <richedit.h>

#include <string>
#include <thread>

namespace {

// A 24-bit BMP file of the size, in one colour.
std::string BitmapFile(int width, int height, COLORREF color) {
    const int stride = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(stride * height);
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
    std::string row(static_cast<size_t>(stride), '\0');
    for (int x = 0; x < width; ++x) {
        row[x * 3] = static_cast<char>(GetBValue(color));
        row[x * 3 + 1] = static_cast<char>(GetGValue(color));
        row[x * 3 + 2] = static_cast<char>(GetRValue(color));
    }
    for (int y = 0; y < height; ++y) bytes += row;
    return bytes;
}

TEST(Pictures, LoadsAPictureFileAsABitmapOfItsOwn) {
    TestFolder folder(L"pictures");
    ASSERT_TRUE(WriteFileBytes(folder.File(L"red.bmp"), BitmapFile(40, 30, RGB(220, 30, 30))));
    ASSERT_TRUE(WriteFileBytes(folder.File(L"broken.jpg"), "not a picture at all"));
    HBITMAP picture = peer::LoadPictureFile(folder.File(L"red.bmp"));
    ASSERT_NE(picture, nullptr);
    BITMAP shape{};
    ASSERT_EQ(GetObjectW(picture, sizeof shape, &shape), static_cast<int>(sizeof shape))
        << "still a live bitmap";
    EXPECT_EQ(shape.bmWidth, 40);
    EXPECT_EQ(shape.bmHeight, 30);
    DeleteObject(picture);
    EXPECT_EQ(peer::LoadPictureFile(folder.File(L"broken.jpg")), nullptr);
    EXPECT_EQ(peer::LoadPictureFile(folder.File(L"missing.png")), nullptr);
}

TEST(Pictures, FindsTheEncoderOfAMimeType) {
    CLSID png{};
    EXPECT_NE(peer::GetImageEncoderClsid(L"image/png", &png), ~0u);
    EXPECT_NE(png, CLSID_NULL);
    EXPECT_EQ(peer::GetImageEncoderClsid(L"image/none", &png), ~0u);
}

TEST(EmbeddedObjects, PicturesFromWorkersAndObjectsGoIntoTheChannelView) {
    ASSERT_TRUE(RegisterTestControl());
    PeerTest peer(60, "");
    TestFolder folder(L"viewobjects");
    ASSERT_TRUE(WriteFileBytes(folder.File(L"red.bmp"), BitmapFile(64, 48, RGB(220, 30, 30))));
    HBITMAP picture = peer::LoadPictureFile(folder.File(L"red.bmp"));
    ASSERT_NE(picture, nullptr);

    // From a worker the picture goes through the frame (the view belongs to this thread).
    int inserted = 1;
    std::thread worker([&] { inserted = peer::InsertImageIntoRichEdit(peer.View(), picture); });
    ASSERT_TRUE(PumpUntil([&] { return peer.ViewObjectCount() == 1; }, 20000));
    worker.join();
    EXPECT_EQ(inserted, 0);

    // What the user selected in the view stays: the object goes at the end.
    SendMessageW(peer.View(), EM_SETSEL, -1, -1);
    SendMessageW(peer.View(), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L"kept words"));
    SendMessageW(peer.View(), EM_SETSEL, 1, 5);
    ASSERT_TRUE(WriteControlObject(folder.File(L"object.stg"), L"an OLE object"));
    EXPECT_EQ(
        peer::InsertOleObject(peer.View(), folder.File(L"object.stg").c_str(), kTestControlClsid, nullptr),
        1);
    EXPECT_NE(GetWindowTextString(peer.View()).find(L"kept words"), std::wstring::npos);
    EXPECT_TRUE(DeleteFileW(folder.File(L"object.stg").c_str())) << "the view keeps no hold on the file";
    IOleObject* made = nullptr;
    EXPECT_EQ(peer::InsertOleObject(peer.View(), nullptr, kTestControlClsid, &made), 1);
    ASSERT_NE(made, nullptr) << "a new control is handed back";
    made->Release();
    EXPECT_EQ(peer.ViewObjectCount(), 3);
    EXPECT_EQ(
        peer::InsertOleObject(peer.View(), folder.File(L"missing.stg").c_str(), kTestControlClsid, nullptr),
        0);
    EXPECT_EQ(peer::InsertImageIntoRichEdit(peer.View(), nullptr), -1);
    PumpUntil([] { return false; }, 1000); // lets the view paint what arrived before the picture is taken
    peer.SaveScreenshot(L"picture_and_object_in_channel_view.png");
}

TEST(EmbeddedObjects, ThePlayerNeedsAMovieAndAPlayer) {
    EXPECT_EQ(peer::FlashBackgroundText(RGB(1, 2, 3)), L"#010203");
    EXPECT_EQ(peer::FlashBackgroundText(RGB(255, 0, 171)), L"#FF00AB");
    PeerTest peer(60, "");
    EXPECT_EQ(peer::InsertFlashObject(peer.Record(), L"", 0xFFFFFFFF), 0);
    EXPECT_EQ(peer::InsertFlashObject(nullptr, L"C:\\movie.swf", 0), 0);
    // No player control is installed here: nothing is inserted and nothing fails loudly.
    EXPECT_EQ(peer::InsertFlashObject(peer.Record(), L"C:\\movie.swf", RGB(1, 2, 3)), 0);
    EXPECT_EQ(peer.ViewObjectCount(), 0);
}

} // namespace
