#pragma once

// Lines the terminal writes to its log in more than one place.
namespace TLogTexts {

// Frames a banner: 74 underscores.
inline constexpr const char* BannerRule =
    "__________________________________________________________________________";
// Ends the lines of a closed connection: 41 underscores.
inline constexpr const char* ClosedRule = "_________________________________________";

} // namespace TLogTexts
