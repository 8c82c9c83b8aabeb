#include "receiver/addressfile.h"

#include "receiver/keytable.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

namespace orvalet {
namespace {

// Leading blank lines beyond this are taken as a broken file, not as a wait for an address.
constexpr qint64 maxLeadingBlanks = 64 * 1024;

bool isLineEnd(char c) { return c == '\r' || c == '\n'; }
bool isBlank(char c) { return c == ' ' || c == '\t'; }

AddressResult fail(AddressError error) { return {QString(), error}; }

// Qt takes no URL with a space or a tab in its host, and a URL without a host
// goes nowhere: every key would send nothing.
bool requestable(const QString& address)
{
    const QUrl url = requestUrl(baseUrlFor(address), keyBindings().front().code);
    return url.isValid() && !url.host().isEmpty();
}

const QByteArray byteOrderMark = QByteArrayLiteral("\xEF\xBB\xBF");

void skipByteOrderMark(QIODevice& in)
{
    if (in.peek(3) == byteOrderMark)
        in.skip(3);
}

} // namespace

AddressResult readFirstField(QIODevice& in)
{
    skipByteOrderMark(in);

    char c = 0;
    qint64 skipped = 0;
    for (;;) {
        if (!in.getChar(&c))
            return fail(AddressError::InputPastEnd);
        if (!isBlank(c) && !isLineEnd(c))
            break;
        if (++skipped > maxLeadingBlanks)
            return fail(AddressError::NoAddress);
    }

    QByteArray field;
    const bool quoted = c == '"';
    if (!quoted)
        in.ungetChar(c);
    // A quote left open ends with its line: an address never spans lines.
    while (in.getChar(&c)) {
        if (quoted ? (c == '"' || isLineEnd(c)) : (c == ',' || isLineEnd(c)))
            break;
        if (field.size() == maxAddressLength)
            return fail(AddressError::AddressTooLong);
        field.append(c);
    }
    if (!quoted) {
        while (!field.isEmpty() && isBlank(field.back()))
            field.chop(1);
    }
    // A byte order mark, which may be all the field held, is no part of the
    // address, whatever the system's code page makes of its bytes.
    if (field.startsWith(byteOrderMark))
        field.remove(0, byteOrderMark.size());
    const QString address = QString::fromLocal8Bit(field);
    if (address.isEmpty())
        return fail(AddressError::NoAddress);
    return {address, AddressError::None};
}

AddressResult readAddressFile()
{
    const QFileInfo info(QString::fromLatin1(addressFileName));
    if (!info.exists())
        return fail(AddressError::FileNotFound);
    // Opening a pipe would block until a writer comes; a device may never end.
    if (!info.isFile())
        return fail(AddressError::PathFileAccess);

    // Qt reports any failed open alike; the permissions tell the user's case apart.
    if (!info.isReadable())
        return fail(AddressError::PermissionDenied);
    QFile file(info.filePath());
    if (!file.open(QIODevice::ReadOnly))
        return fail(AddressError::PathFileAccess);
    AddressResult result = readFirstField(file);
    if (result.ok() && !requestable(result.address))
        result.error = AddressError::Unrequestable;
    return result;
}

QString errorText(const AddressResult& result)
{
    switch (result.error) {
    case AddressError::None:
        return {};
    case AddressError::FileNotFound:
        return QStringLiteral("File not found");
    case AddressError::PathFileAccess:
        return QStringLiteral("Path/File access error");
    case AddressError::PermissionDenied:
        return QStringLiteral("Permission denied");
    case AddressError::InputPastEnd:
        return QStringLiteral("Input past end of file");
    case AddressError::NoAddress:
        return QStringLiteral("No receiver address in the file");
    case AddressError::AddressTooLong:
        return QStringLiteral("Receiver address too long");
    case AddressError::Unrequestable:
        return QStringLiteral("No key request can be made to the receiver address \"%1\"")
            .arg(result.address);
    }
    return {};
}

QString baseUrlFor(const QString& address) { return QStringLiteral("http://") + address; }

} // namespace orvalet
