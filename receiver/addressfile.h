#pragma once

#include <QString>

class QIODevice;

namespace orvalet {

inline constexpr char addressFileName[] = "config.txt";

enum class AddressError {
    None,
    FileNotFound,
    PathFileAccess, // a folder, a pipe or a device instead of a plain file
    PermissionDenied,
    InputPastEnd, // nothing but blanks and line ends
    NoAddress,    // an empty field, or no field in the first part of the file
    AddressTooLong,
    Unrequestable, // no key request can be made to it, e.g. a space in its host
};

struct AddressResult {
    QString address; // as read; with an error, only for an unrequestable one
    AddressError error = AddressError::None;

    bool ok() const { return error == AddressError::None; }
};

// A field longer than this is not an address but a broken file.
inline constexpr qsizetype maxAddressLength = 4096;

// Reads the first field the way sequential text input does: leading blanks and
// line ends are skipped; a field in double quotes runs to the next quote,
// otherwise to the first comma or line end. Reads no further than that field.
AddressResult readFirstField(QIODevice& in);

// Opens "config.txt" by its bare name, so in the working directory, and reads
// its first field, an address to which key requests can be made.
AddressResult readAddressFile();

// The error as the user reads it, e.g. "File not found".
QString errorText(const AddressResult& result);

// "http://" followed by the address, exactly as written in the file.
QString baseUrlFor(const QString& address);

} // namespace orvalet
