#include "mail/port_choice.h"

#include "settings/settings.h"

namespace zorvane {

std::uint16_t ChooseConnectPort(std::int32_t portNo, std::uint16_t servicePort) {
  if (portNo > 0 && portNo <= 65535) return static_cast<std::uint16_t>(portNo);
  if (servicePort != 0) return servicePort;
  return static_cast<std::uint16_t>(kDefaultPortNo);
}

}  // namespace zorvane
