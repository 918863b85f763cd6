// The predefined joystick data format: the 80-byte DIJOYSTATE.
#include <cstddef>

#include "platform/win32.h"

namespace {

constexpr DWORD kAxis = DIDFT_AXIS | DIDFT_ANYINSTANCE | DIDFT_OPTIONAL;
constexpr DWORD kPov = DIDFT_POV | DIDFT_ANYINSTANCE | DIDFT_OPTIONAL;
constexpr DWORD kButton = DIDFT_BUTTON | DIDFT_ANYINSTANCE | DIDFT_OPTIONAL;

#define QJ_BUTTON(n) {nullptr, static_cast<DWORD>(offsetof(DIJOYSTATE, rgbButtons) + (n)), kButton, 0}

DIOBJECTDATAFORMAT g_rgodfJoystick[] = {
    {&GUID_XAxis, offsetof(DIJOYSTATE, lX), kAxis, DIDOI_ASPECTPOSITION},
    {&GUID_YAxis, offsetof(DIJOYSTATE, lY), kAxis, DIDOI_ASPECTPOSITION},
    {&GUID_ZAxis, offsetof(DIJOYSTATE, lZ), kAxis, DIDOI_ASPECTPOSITION},
    {&GUID_RxAxis, offsetof(DIJOYSTATE, lRx), kAxis, DIDOI_ASPECTPOSITION},
    {&GUID_RyAxis, offsetof(DIJOYSTATE, lRy), kAxis, DIDOI_ASPECTPOSITION},
    {&GUID_RzAxis, offsetof(DIJOYSTATE, lRz), kAxis, DIDOI_ASPECTPOSITION},
    {&GUID_Slider, offsetof(DIJOYSTATE, rglSlider), kAxis, DIDOI_ASPECTPOSITION},
    {&GUID_Slider, offsetof(DIJOYSTATE, rglSlider) + 4, kAxis, DIDOI_ASPECTPOSITION},
    {&GUID_POV, offsetof(DIJOYSTATE, rgdwPOV), kPov, 0},
    {&GUID_POV, offsetof(DIJOYSTATE, rgdwPOV) + 4, kPov, 0},
    {&GUID_POV, offsetof(DIJOYSTATE, rgdwPOV) + 8, kPov, 0},
    {&GUID_POV, offsetof(DIJOYSTATE, rgdwPOV) + 12, kPov, 0},
    QJ_BUTTON(0), QJ_BUTTON(1), QJ_BUTTON(2), QJ_BUTTON(3), QJ_BUTTON(4), QJ_BUTTON(5), QJ_BUTTON(6),
    QJ_BUTTON(7), QJ_BUTTON(8), QJ_BUTTON(9), QJ_BUTTON(10), QJ_BUTTON(11), QJ_BUTTON(12), QJ_BUTTON(13),
    QJ_BUTTON(14), QJ_BUTTON(15), QJ_BUTTON(16), QJ_BUTTON(17), QJ_BUTTON(18), QJ_BUTTON(19), QJ_BUTTON(20),
    QJ_BUTTON(21), QJ_BUTTON(22), QJ_BUTTON(23), QJ_BUTTON(24), QJ_BUTTON(25), QJ_BUTTON(26), QJ_BUTTON(27),
    QJ_BUTTON(28), QJ_BUTTON(29), QJ_BUTTON(30), QJ_BUTTON(31),
};

#undef QJ_BUTTON

static_assert(sizeof(g_rgodfJoystick) / sizeof(g_rgodfJoystick[0]) == 44, "the joystick format has 44 objects");

}  // namespace

extern "C" __attribute__((visibility("default"))) const DIDATAFORMAT c_dfDIJoystick = {
    sizeof(DIDATAFORMAT), sizeof(DIOBJECTDATAFORMAT), DIDF_ABSAXIS, sizeof(DIJOYSTATE), 44, g_rgodfJoystick};
