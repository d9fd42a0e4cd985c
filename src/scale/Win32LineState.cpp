#include "scale/Win32LineState.h"

#include <algorithm>

namespace {

BYTE Win32Parity(LineSettings::Parity parity)
{
    switch (parity) {
    case LineSettings::Parity::None:
        return NOPARITY;
    case LineSettings::Parity::Even:
        return EVENPARITY;
    case LineSettings::Parity::Odd:
        return ODDPARITY;
    case LineSettings::Parity::Space:
        return SPACEPARITY;
    case LineSettings::Parity::Mark:
        return MARKPARITY;
    }
    return NOPARITY;
}

BYTE Win32StopBits(LineSettings::StopBits stopBits)
{
    switch (stopBits) {
    case LineSettings::StopBits::One:
        return ONESTOPBIT;
    case LineSettings::StopBits::OneAndHalf:
        return ONE5STOPBITS;
    case LineSettings::StopBits::Two:
        return TWOSTOPBITS;
    }
    return ONESTOPBIT;
}

constexpr BYTE Xon = 0x11;
constexpr BYTE Xoff = 0x13;

}  // namespace

void SetLineState(DCB& dcb, const LineSettings& settings, DWORD receiveQueue)
{
    dcb.BaudRate = static_cast<DWORD>(settings.baudRate);
    dcb.ByteSize = static_cast<BYTE>(settings.dataBits);
    dcb.Parity = Win32Parity(settings.parity);
    dcb.StopBits = Win32StopBits(settings.stopBits);
    dcb.fBinary = TRUE;
    dcb.fParity = settings.parity != LineSettings::Parity::None;
    // No flow control, and line errors must not stall reading until
    // someone clears them.
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    // Flow control stays off, yet serial drivers check these fields all the
    // same: XON equal to XOFF, or a limit beyond the input buffer, fails
    // SetCommState with ERROR_INVALID_PARAMETER. Some USB adapters' drivers
    // report both characters as 0, so they are set to their usual values,
    // and the limits to a quarter of the buffer.
    dcb.XonChar = Xon;
    dcb.XoffChar = Xoff;
    const auto limit = static_cast<WORD>(std::min<DWORD>(receiveQueue / 4, 0xFFFF));
    dcb.XonLim = limit;
    dcb.XoffLim = limit;
}
