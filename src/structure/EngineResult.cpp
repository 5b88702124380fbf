#include "EngineResult.h"

namespace korvex {

EngineError::EngineError(EngineResult code, const QString& message)
    : std::runtime_error(message.toStdString()), code_(code)
{}

const char* resultName(EngineResult code)
{
    switch (code) {
    case result::Ok: return "Ok";
    case result::EndOfList: return "EndOfList";
    case result::NoSuchFile: return "NoSuchFile";
    case result::NotATable: return "NotATable";
    case result::UnsupportedVersion: return "UnsupportedVersion";
    case result::PasswordNeeded: return "PasswordNeeded";
    case result::TooManyFields: return "TooManyFields";
    case result::ReadError: return "ReadError";
    case result::InvalidHandle: return "InvalidHandle";
    case result::NoSuchRecord: return "NoSuchRecord";
    case result::BufferTooSmall: return "BufferTooSmall";
    case result::IndexDamaged: return "IndexDamaged";
    case result::IntegrityDamaged: return "IntegrityDamaged";
    case result::NoSuchAlias: return "NoSuchAlias";
    case result::InvalidValue: return "InvalidValue";
    case result::ValidityDamaged: return "ValidityDamaged";
    case result::IndexMissing: return "IndexMissing";
    case result::NoDriver: return "NoDriver";
    case result::LoginCancelled: return "LoginCancelled";
    case result::ServerRefused: return "ServerRefused";
    }
    return "Unknown";
}

} // namespace korvex
