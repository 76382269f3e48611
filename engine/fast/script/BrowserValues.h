#pragma once

// What the browser engine (Qt WebEngine 6.4.2, Chromium 102) tells a page of itself, as read from
// a page run in it; a value that differs from machine to machine (the processor count, the
// memory) is not among them, and reading it is not modelled.
namespace BrowserValues {

inline constexpr char userAgent[] =
    "Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "QtWebEngine/6.4.2 Chrome/102.0.5005.177 Safari/537.36";
inline constexpr char appVersion[] =
    "5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "QtWebEngine/6.4.2 Chrome/102.0.5005.177 Safari/537.36";
inline constexpr char appName[] = "Netscape";
inline constexpr char appCodeName[] = "Mozilla";
inline constexpr char platform[] = "Linux x86_64";
inline constexpr char product[] = "Gecko";
inline constexpr char productSub[] = "20030107";
inline constexpr char vendor[] = "Google Inc.";
inline constexpr char language[] = "en";

// The window, and the screen the browser engine is made to report (its size).
inline constexpr int innerWidth = 1280;
inline constexpr int innerHeight = 720;
inline constexpr int outerWidth = 1284;
inline constexpr int outerHeight = 724;
inline constexpr int colorDepth = 32;

// The browser serves a page under a scheme of its own, with one host for every file.
inline constexpr char pageScheme[] = "quillmere-file";
inline constexpr char pageHost[] = "local";

} // namespace BrowserValues
