#include "mail/win32_host_lookup.h"

#include <cstring>

// Some MinGW-w64 headers lack it; the import library has it.
extern "C" WINSOCK_API_LINKAGE INT WSAAPI GetAddrInfoExCancel(LPHANDLE lpHandle);

namespace zorvane {

namespace {

// How long an exit waits for the resolver to let go of a lookup.
constexpr int kExitWaitMs = 30000;

std::size_t Convert(const ADDRINFOEXW* info, NetAddress* out, std::size_t capacity) {
  std::size_t count = 0;
  // The cast mends a misspelt struct name in some headers.
  for (; info != nullptr && count < capacity; info = reinterpret_cast<const ADDRINFOEXW*>(info->ai_next)) {
    if (info->ai_addr == nullptr || (info->ai_socktype != 0 && info->ai_socktype != SOCK_STREAM)) continue;
    NetAddress& address = out[count];
    address = {};
    if (info->ai_family == AF_INET && info->ai_addrlen >= sizeof(sockaddr_in)) {
      address.family = NetAddress::Family::V4;
      std::memcpy(address.bytes, &reinterpret_cast<const sockaddr_in*>(info->ai_addr)->sin_addr, 4);
    } else if (info->ai_family == AF_INET6 && info->ai_addrlen >= sizeof(sockaddr_in6)) {
      const auto* v6 = reinterpret_cast<const sockaddr_in6*>(info->ai_addr);
      address.family = NetAddress::Family::V6;
      std::memcpy(address.bytes, &v6->sin6_addr, 16);
      address.scopeId = v6->sin6_scope_id;
    } else {
      continue;
    }
    ++count;
  }
  return count;
}

}  // namespace

void HostLookup::Attach(HWND window, UINT lookupDone) {
  for (Request& request : requests_) {
    request.window = window;
    request.message = lookupDone;
  }
}

void CALLBACK HostLookup::Completed(DWORD error, DWORD, LPWSAOVERLAPPED overlapped) {
  Request* request = CONTAINING_RECORD(overlapped, Request, overlapped);
  PostMessageA(request->window, request->message, reinterpret_cast<WPARAM>(request), static_cast<LPARAM>(error));
  InterlockedExchange(&request->inUse, 0);  // the last touch of the resolver's thread
}

bool HostLookup::Start(const char* host) {
  Cancel();
  Request* request = nullptr;
  for (Request& candidate : requests_) {
    if (!candidate.awaited && candidate.inUse == 0) request = &candidate;
  }
  wchar_t name[256] = {};
  if (request == nullptr || MultiByteToWideChar(CP_UTF8, 0, host, -1, name, 256) == 0) return false;
  request->overlapped = {};
  request->result = nullptr;
  request->cancel = nullptr;
  request->inUse = 1;
  ADDRINFOEXW hints = {};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  const INT started =
      GetAddrInfoExW(name, nullptr, NS_DNS, nullptr, &hints, &request->result, nullptr, &request->overlapped,
                     reinterpret_cast<LPLOOKUPSERVICE_COMPLETION_ROUTINE>(&Completed), &request->cancel);
  if (started != WSA_IO_PENDING) {
    // Done at once, well or not: the same message tells it, from here.
    request->inUse = 0;
    if (!PostMessageA(request->window, request->message, reinterpret_cast<WPARAM>(request), started)) {
      if (request->result != nullptr) FreeAddrInfoExW(request->result);
      return false;
    }
  }
  request->awaited = true;
  current_ = request;
  return true;
}

void HostLookup::Cancel() {
  if (current_ != nullptr && current_->inUse != 0) GetAddrInfoExCancel(&current_->cancel);
  current_ = nullptr;
}

bool HostLookup::Take(WPARAM wParam, LPARAM lParam, NetAddress* out, std::size_t capacity, std::size_t* count) {
  // Only a message of one of these requests counts, whoever posted it.
  for (Request& request : requests_) {
    if (wParam != reinterpret_cast<WPARAM>(&request) || !request.awaited) continue;
    request.awaited = false;
    const bool current = &request == current_;
    if (current) current_ = nullptr;
    *count = current && lParam == 0 ? Convert(request.result, out, capacity) : 0;
    if (request.result != nullptr) FreeAddrInfoExW(request.result);
    request.result = nullptr;
    return current;
  }
  return false;
}

HostLookup::~HostLookup() {
  Cancel();
  for (Request& request : requests_) {
    for (int waited = 0; request.inUse != 0 && waited < kExitWaitMs; waited += 10) Sleep(10);
    if (request.inUse == 0 && request.result != nullptr) FreeAddrInfoExW(request.result);
  }
}

}  // namespace zorvane
