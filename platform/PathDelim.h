#pragma once
// The one path delimiter of the scanner's paths: every folder path it records
// and reports ends with it.
inline constexpr char PathDelim = '/';
