#pragma once
// One account's host name lookups through WinSock 2, IPv6 and IPv4, each
// ending in the account's lookup-done window message: the resolver works on
// a thread of the system's, and the main thread never waits on it.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstddef>

#include "mail/net_address.h"

namespace zorvane {

class HostLookup {
 public:
  HostLookup() = default;
  HostLookup(const HostLookup&) = delete;
  HostLookup& operator=(const HostLookup&) = delete;
  // Waits for the resolver to let go of lookups it still runs.
  ~HostLookup();

  void Attach(HWND window, UINT lookupDone);
  // Starts a lookup of host (UTF-8); false when none could be requested.
  bool Start(const char* host);
  // Forgets the lookup under way: its completion will be ignored.
  void Cancel();
  // For a lookup-done message: true when it completes the lookup under way.
  // Its addresses, in the resolver's order, are then in out; none when the
  // lookup failed.
  bool Take(WPARAM wParam, LPARAM lParam, NetAddress* out, std::size_t capacity, std::size_t* count);

 private:
  struct Request {
    OVERLAPPED overlapped;
    ADDRINFOEXW* result;
    HANDLE cancel;
    HWND window;
    UINT message;
    bool awaited;         // its message has not been taken yet
    volatile LONG inUse;  // the resolver may still write to it
  };

  static void CALLBACK Completed(DWORD error, DWORD bytes, LPWSAOVERLAPPED overlapped);

  // A cancelled lookup is not withdrawn under Wine; it keeps its request
  // until it completes, so a new check can begin beside a few stuck ones.
  Request requests_[4] = {};
  Request* current_ = nullptr;
};

}  // namespace zorvane
