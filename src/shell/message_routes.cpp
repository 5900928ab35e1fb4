#include "shell/message_routes.h"

namespace zorvane {

MessageRoute RouteMainMessage(unsigned message) {
  if (message == kTrayMessage) return {MessageRoute::Kind::Tray, 0};
  for (int n = 1; n <= kAccountCount; ++n) {
    if (message == kAccountMessages[n - 1].lookupDone) return {MessageRoute::Kind::LookupDone, n};
    if (message == kAccountMessages[n - 1].socketEvent) return {MessageRoute::Kind::SocketEvent, n};
  }
  return {MessageRoute::Kind::Other, 0};
}

}  // namespace zorvane
