#include "FormatError.h"

namespace korvex {

namespace {
QString composeMessage(const QString& file, std::optional<std::size_t> offset, const QString& detail)
{
    if (!offset)
        return QStringLiteral("%1: %2").arg(file, detail);
    return QStringLiteral("%1: %2 (at byte %3)").arg(file, detail).arg(*offset);
}
} // namespace

FormatError::FormatError(Kind kind, const QString& file, std::optional<std::size_t> offset, const QString& detail)
    : std::runtime_error(composeMessage(file, offset, detail).toStdString()), kind_(kind), file_(file), offset_(offset),
      detail_(detail)
{}

QString FormatError::message() const
{
    return composeMessage(file_, offset_, detail_);
}

} // namespace korvex
