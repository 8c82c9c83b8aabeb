// Any bytes as config.txt: the field reader must end, stay within the input and
// its own limits, and give either an address or an error, never both.

#include "receiver/addressfile.h"

#include <QBuffer>
#include <QByteArray>

#include <cstddef>
#include <cstdint>

namespace {

void check(bool holds)
{
    if (!holds)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    check(buffer.open(QIODevice::ReadOnly));
    const orvalet::AddressResult result = orvalet::readFirstField(buffer);

    check(buffer.pos() <= bytes.size());
    check(result.ok() == !result.address.isEmpty());
    check(result.ok() == orvalet::errorText(result).isEmpty());
    check(result.address.size() <= orvalet::maxAddressLength);
    check(!result.address.contains(QLatin1Char('\r')) &&
          !result.address.contains(QLatin1Char('\n')));
    return 0;
}
