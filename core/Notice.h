#pragma once
#include <string>

// What an operation tells the user. The panel and the command line choose a
// box or a stream by its kind, never by its words.
struct Notice
{
    enum class Kind
    {
        Error,
        Busy, // the device is in use elsewhere: it may work later
        Warning,
        Note,
    };

    Kind kind = Kind::Error;
    std::wstring text;

    bool operator==(const Notice&) const = default;
};
