#pragma once

#include <QHostAddress>
#include <QString>

#include <optional>

namespace merolan {

// The raw-socket port test tools expect of an instrument.
inline constexpr quint16 kScpiSocketPort = 5025;

// Where the SCPI server listens; only the computer itself unless told otherwise.
struct ListenAddress {
    QHostAddress host{QHostAddress::LocalHost};
    quint16 port = kScpiSocketPort;
};

// "PORT", "HOST:PORT" or "[IPv6 address]:PORT", the host an IP address or "localhost" (the
// loopback when left out); port 0 lets the system pick a free one. None when the text is not one.
std::optional<ListenAddress> parseListenAddress(const QString &text);

// "127.0.0.1:5025", "[::1]:5025".
QString listenAddressText(const QHostAddress &host, quint16 port);

} // namespace merolan
