#pragma once

// A colour as red, green and blue components, so that the records the window
// renders need nothing from the GUI library.
struct Rgb {
    int red = 0;
    int green = 0;
    int blue = 0;

    friend bool operator==(const Rgb&, const Rgb&) = default;
};

namespace Colours {
constexpr Rgb SwitchOn{192, 255, 192};
constexpr Rgb SwitchOff{255, 192, 192};
constexpr Rgb PortOpen{128, 255, 128};
constexpr Rgb PortClosed{255, 128, 128};
constexpr Rgb LampRed{255, 0, 0};
constexpr Rgb LampGreen{0, 255, 0};
constexpr Rgb Readout{255, 255, 192};
}  // namespace Colours
