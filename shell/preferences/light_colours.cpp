// The frame's side of the light mode: a reading becomes a pair of text and background colours.
#include "common/command_ids.h"
#include "core/settings.h"
#include "shell/preferences/apply_settings.h"
#include "shell/preferences/light_sensor.h"
#include "xml/config_documents.h"
#include "xml/xml_profile.h"

#include <cmath>

namespace {

// {E4C77CE2-DCB7-46E9-8439-4FEC548833A6}: the format id of the light level in lux.
constexpr GUID kLightLevelLux = {
    0xE4C77CE2, 0xDCB7, 0x46E9, {0x84, 0x39, 0x4F, 0xEC, 0x54, 0x88, 0x33, 0xA6}};

double LastLightValue = 0.0;

bool ReadNumber(const PROPVARIANT& value, double& number) {
    switch (value.vt) {
        case VT_R4: number = value.fltVal; return true;
        case VT_R8: number = value.dblVal; return true;
        case VT_UI4: number = value.ulVal; return true;
        case VT_I4: number = value.lVal; return true;
        case VT_UI8: number = static_cast<double>(value.uhVal.QuadPart); return true;
        default: return false;
    }
}

void WriteColour(const SettingKey& setting, uint32_t colour) {
    XmlWriteProfileInt(setting.Section, setting.Key, static_cast<int32_t>(colour), nullptr,
                       UserConfigDocument);
}

void ApplyReading(const LightSensorReport& report) {
    double lux = 0;
    bool found = false;
    for (uint32_t i = 0; i < report.Count && i < report.Keys.size() && !found; ++i)
        if (IsEqualGUID(report.Keys[i].fmtid, kLightLevelLux)) found = ReadNumber(report.Values[i], lux);
    if (!found) return;
    const float x = std::log10(static_cast<float>(lux)) / 5.0f;
    if (std::fabs(x - static_cast<float>(LastLightValue)) <= 0.1f) return;
    LastLightValue = x;
    struct Step {
        float Below;
        uint32_t Text, Background;
    };
    static const Step kSteps[] = {
        {0.1f, 0xFFFFFF, 0x000000}, {0.2f, 0xEBEBEB, 0x141414}, {0.3f, 0xD7D7D7, 0x282828},
        {0.4f, 0xC3C3C3, 0x3C3C3C}, {0.5f, 0xAFAFAF, 0x505050}, {0.6f, 0x919191, 0x646464},
        {0.7f, 0x7D7D7D, 0xC8C8C8}, {0.8f, 0x555555, 0xDCDCDC}, {0.9f, 0x2D2D2D, 0xF0F0F0},
    };
    uint32_t text = 0x000000, background = 0xFFFFFF;
    for (const Step& step : kSteps)
        if (x < step.Below) {
            text = step.Text;
            background = step.Background;
            break;
        }
    WriteColour(Settings::Keys::BackgroundColour, background);
    WriteColour(Settings::Keys::InputBackgroundColour, background);
    WriteColour(Settings::Keys::ListBackgroundColour, background);
    WriteColour(Settings::Keys::InputTextColour, text);
    WriteColour(Settings::Keys::ServerTextColour, text);
    GiveColoursToAllWindows();
}

} // namespace

LRESULT shell::OnLightSensorMessage(HWND frame, WPARAM code, LPARAM parameter) {
    if (code == kLightSensorData) {
        auto* report = reinterpret_cast<LightSensorReport*>(parameter);
        if (report) ApplyReading(*report);
        FreeLightSensorReport(report);
    } else if (code == kLightSensorLeft && CurrentLightSensorWatcher()) {
        ReleaseWatcherSensor(CurrentLightSensorWatcher());
        SendMessageW(frame, WM_COMMAND, ID_LIGHT_SENSOR, 0);
    }
    return 1;
}
