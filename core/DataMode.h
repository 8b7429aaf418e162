#pragma once

namespace core {

// The one choice of RBASCII / RBHEX: how commands are encoded for sending and
// how received bytes are shown.
enum class DataMode { Ascii, Hex };

} // namespace core
