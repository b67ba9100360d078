#pragma once

// The maker's addresses, all under the reserved .example domain.
namespace corvane::addresses {

// Shown in the banner strip; host and path, no scheme.
inline constexpr const char* kBanner = "www.corvane.example/banner/index.html";
// Opened by the shell on a redirect start: a bare host name.
inline constexpr const char* kMakerSite = "www.corvane.example";
// Opened by the shell when the logo is clicked.
inline constexpr const char* kMakerLogoLink = "http://www.corvane.example/";
// Loaded into the preview by the home button: a full address with its scheme.
inline constexpr const char* kMakerHome = "http://www.corvane.example/";
// Named in the goodbye message.
inline constexpr const char* kMakerFarewell = "http://www.corvane.example";

} // namespace corvane::addresses
