// Colours that follow an ambient light sensor: a watcher subscribes to the first light sensor of
// the Windows Sensor API and hands its events to the frame as WM_LIGHT_SENSOR.
#pragma once

#include <windows.h>
#include <propidl.h>

#include <cstdint>
#include <vector>

struct ISensor;
class SensorEventSink;

// WM_LIGHT_SENSOR's wParam.
enum LightSensorCode : uint32_t {
    kLightSensorData = 0,    // lParam a heap LightSensorReport the frame frees
    kLightSensorLeft = 1,    // lParam 0
    kLightSensorState = 2,   // lParam the SensorState
    kLightSensorEntered = 3, // lParam 0
};

// One reading: the value of each data field the sensor supports.
struct LightSensorReport {
    SYSTEMTIME Timestamp{};
    uint32_t Count = 0;
    std::vector<PROPERTYKEY> Keys;
    std::vector<PROPVARIANT> Values;
};
void FreeLightSensorReport(LightSensorReport* report);

struct LightSensorWatcher {
    LightSensorWatcher(HWND owner, UINT message);
    LightSensorWatcher(const LightSensorWatcher&) = delete;
    LightSensorWatcher& operator=(const LightSensorWatcher&) = delete;
    HWND Owner;
    UINT Message;
    ISensor* Sensor = nullptr;
    SensorEventSink* Sink = nullptr;
};

// Creates the process's sensor manager when there is none; true when one exists afterwards.
bool CreateSensorManager();
void ReleaseSensorManager();
// The first sensor of the category (of the type, unless it is GUID_NULL), or null; the caller
// owns the reference.
ISensor* FindFirstSensor(LightSensorWatcher* watcher, REFGUID category, REFGUID type);
// Detaches the sink from the watcher's sensor, releases both and clears the fields.
void ReleaseWatcherSensor(LightSensorWatcher* watcher);
// Interface thread: the watcher while the light mode is on, else null.
LightSensorWatcher* CurrentLightSensorWatcher();

namespace shell {
// Menu command ID_LIGHT_SENSOR: switches the light mode on (after asking) or off.
void ToggleLightSensor();
// The frame's handling of WM_LIGHT_SENSOR on the interface thread; always 1.
LRESULT OnLightSensorMessage(HWND frame, WPARAM code, LPARAM parameter);
} // namespace shell
