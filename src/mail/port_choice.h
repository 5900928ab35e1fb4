#pragma once
#include <cstdint>

namespace zorvane {

// The TCP port a session connects to: the account's own PortNo when it is a
// valid port, otherwise the service database's "pop3"/"tcp" entry
// (servicePort, 0 when there is none), otherwise 110. Host byte order.
std::uint16_t ChooseConnectPort(std::int32_t portNo, std::uint16_t servicePort);

}  // namespace zorvane
