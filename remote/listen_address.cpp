#include "remote/listen_address.hpp"

namespace merolan {

std::optional<ListenAddress> parseListenAddress(const QString &text)
{
    const qsizetype colon = text.lastIndexOf(u':');
    // A bare IPv6 address has colons of its own; it needs its brackets to take a port.
    if (colon > 0 && text.count(u':') > 1 && !text.startsWith(u'['))
        return std::nullopt;
    bool isNumber = false;
    const uint port = text.mid(colon + 1).toUInt(&isNumber);
    if (!isNumber || port > 65535)
        return std::nullopt;
    QString host = colon < 0 ? QString() : text.left(colon);
    if (host.startsWith(u'[') && host.endsWith(u']'))
        host = host.mid(1, host.size() - 2);
    ListenAddress address;
    address.port = static_cast<quint16>(port);
    if (!host.isEmpty() && host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0) {
        address.host = QHostAddress(host);
        if (address.host.isNull())
            return std::nullopt;
    }
    return address;
}

QString listenAddressText(const QHostAddress &host, quint16 port)
{
    return host.protocol() == QAbstractSocket::IPv6Protocol ? QStringLiteral("[%1]:%2").arg(host.toString()).arg(port)
                                                            : QStringLiteral("%1:%2").arg(host.toString()).arg(port);
}

} // namespace merolan
