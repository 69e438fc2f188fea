// Our own INI reader: GetPrivateProfileStringA and GetPrivateProfileIntA over the bytes of a
// file, reading them the way Wine does with the ANSI code page 1252. It makes no OS calls, so
// the simulated Windows and the Wine differential test (tests/win32) share it.
//
// What it reads, briefly: lines end at CR or LF; a line whose first non-blank character is
// '[' and that has a ']' after it names a section (up to its last ']'); any other non-blank
// line is a key, up to its first '=', and its value the rest. Names and values lose their
// blanks (space, tab, VT, FF and Ctrl-Z) at both ends, and end at the first NUL. Names match
// without regard to ASCII case; only the first section of a name counts, and in it the first
// key of a name. A key line without '=' has no value: it reads as absent and hides any later
// key of its name. Lines before the first section belong to the section named "". A default
// loses its trailing spaces. A value (or default) wholly enclosed in one pair of the same
// quote, double or single, loses them, and when it would just fit without its closing quote
// it is cut one character shorter. Files that begin with a UTF-8 or UTF-16 byte-order mark
// are decoded, and characters code page 1252 lacks come back as a look-alike or '?'.
#pragma once
#include <cstddef>
#include <cstdint>

namespace sim {

// GetPrivateProfileStringA over a file's bytes. A file absent from a folder that exists reads
// like an empty one (data may be null then). The characters stored, at most capacity - 1;
// with capacity 0 nothing is stored. Section and key are never null here (Wine lists the
// names then).
uint32_t ProfileString(const uint8_t* data, size_t size, const char* section, const char* key,
                       const char* defaultText, char* buffer, uint32_t capacity);

// GetPrivateProfileStringA when the file cannot be opened at all (its folder is missing, it
// is a directory, another program holds it without sharing reading): the default comes back
// without its trailing spaces but with its quotes. GetPrivateProfileIntA gives its default.
uint32_t UnopenedProfileString(const char* defaultText, char* buffer, uint32_t capacity);

// GetPrivateProfileIntA over a file's bytes: the number at the start of the value, or
// defaultValue when the value is absent or empty.
uint32_t ProfileInt(const uint8_t* data, size_t size, const char* section, const char* key,
                    int32_t defaultValue);

}  // namespace sim
