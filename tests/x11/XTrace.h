// The X requests of the clients that connect through xtrace (Debian's xtrace), a proxy
// display in front of a Desktop's server: what a program asks of the server, counted.
#pragma once

#include "Desktop.h"

namespace xtest {

class XTrace {
  public:
    // Starts xtrace on a free display; throws std::runtime_error when it does not listen.
    explicit XTrace(const Desktop& desktop);
    ~XTrace();  // ends xtrace and removes its socket, which it leaves behind
    XTrace(const XTrace&) = delete;
    XTrace& operator=(const XTrace&) = delete;
    // The desktop's environment, with DISPLAY through the proxy.
    Environment ClientEnvironment() const;
    int Requests() const;  // requests seen so far, of all clients through it

  private:
    const Desktop& desktop_;
    TempFolder scratch_;
    Child process_;
    int display_;
    std::string name_;
};

}  // namespace xtest
