#pragma once

#include <QByteArrayView>
#include <QStringList>

#include <optional>

namespace mervantic {

// What a server says it can do in its answer to CAPA (RFC 2449). A server that refused CAPA
// (a server of old) has none of them, and is spoken to as before CAPA existed.
struct Capabilities {
    // The server answered CAPA with a list.
    bool listed = false;
    bool stls = false;
    bool user = false;
    // The SASL mechanisms offered, in capitals.
    QStringList sasl;
    // The least number of seconds the server wants between two log-ons (LOGIN-DELAY).
    std::optional<int> loginDelaySeconds;

    // The lines of the list (the reply without its status line and its final dot).
    static Capabilities fromList(QByteArrayView lines);
};

} // namespace mervantic
