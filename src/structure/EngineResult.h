#pragma once

#include <QString>

#include <cstdint>
#include <stdexcept>

namespace korvex {

// Every engine operation answers a 16-bit result code: 0 for success, EndOfList at the
// end of a list, anything else a failure. The failure codes are the engine's own; the
// engine keeps a message for the last failure that names the file and what is wrong.
using EngineResult = std::uint16_t;

namespace result {
inline constexpr EngineResult Ok = 0;
inline constexpr EngineResult EndOfList = 8706; // 0x2202

inline constexpr EngineResult NoSuchFile = 0x2801; // table or directory not found
inline constexpr EngineResult NotATable = 0x2802;  // not a table of a known format, or damaged
inline constexpr EngineResult UnsupportedVersion = 0x2803;
inline constexpr EngineResult PasswordNeeded = 0x2804;   // encrypted, no registered password fits
inline constexpr EngineResult TooManyFields = 0x2805;    // more fields than a descriptor buffer holds
inline constexpr EngineResult ReadError = 0x2806;        // the operating system refused a read
inline constexpr EngineResult InvalidHandle = 0x2807;    // no such open table or list
inline constexpr EngineResult NoSuchRecord = 0x2808;     // e.g. a validity check number out of range
inline constexpr EngineResult BufferTooSmall = 0x2809;   // the caller's record buffer is too small
inline constexpr EngineResult IndexDamaged = 0x280A;     // an index file is damaged
inline constexpr EngineResult IntegrityDamaged = 0x280B; // the referential-integrity data is damaged
inline constexpr EngineResult NoSuchAlias = 0x280C;
inline constexpr EngineResult InvalidValue = 0x280D;    // e.g. a packed decimal that is not one
inline constexpr EngineResult ValidityDamaged = 0x280E; // the table's validity-check file (.VAL) is damaged
inline constexpr EngineResult IndexMissing = 0x280F;    // an index file the table says it has is not there
// The alias names a server database, and no driver for its kind of database exists. Kept
// apart from the codes above so that codes of table faults can be added without a clash.
inline constexpr EngineResult NoDriver = 0x2820;
// The user cancelled the login a server asked for, or no one could be asked.
inline constexpr EngineResult LoginCancelled = 0x2821;
// The server could not be reached or refused the login, or its database is not there; the
// message carries the server's own text.
inline constexpr EngineResult ServerRefused = 0x2822;
} // namespace result

// The symbolic name of a result code, e.g. "NoSuchFile"; for the JSON output and logs.
const char* resultName(EngineResult code);

// An engine operation failed; carries the engine's result code and its message.
class EngineError : public std::runtime_error {
public:
    EngineError(EngineResult code, const QString& message);
    EngineResult code() const { return code_; }
    QString message() const { return QString::fromStdString(what()); }

private:
    EngineResult code_;
};

} // namespace korvex
