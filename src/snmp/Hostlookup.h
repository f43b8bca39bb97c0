// Host-name lookups on a worker thread, so that a name server that does not
// answer never holds the thread that asks: the answer is taken up later.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "snmp/Udpsocket.h"

struct TLookupAnswer {
    bool found = false;
    TUdpAddress address;  // valid when found
};

class THostLookup {
public:
    THostLookup() = default;
    // Forgets a lookup under way; its worker ends by itself when the name
    // servers answer.
    ~THostLookup() = default;
    THostLookup(const THostLookup&) = delete;
    THostLookup& operator=(const THostLookup&) = delete;

    // Starts looking `name` up, unless that name is being looked up already.
    // The answer of a lookup of another name, started before, never comes.
    void Start(const std::string& name);
    // Forgets the lookup under way, if any: its answer never comes.
    void Cancel();
    // True from Start until its answer has been taken.
    bool Busy() const;
    // The answer of the lookup started last, once, when it has come.
    std::optional<TLookupAnswer> Take();
    // The name started last.
    const std::string& name() const { return name_; }

private:
    struct TJob;
    void Launch();

    std::string name_;
    std::shared_ptr<TJob> job_;  // shared with its worker
    bool waiting_ = false;       // started, but no worker was free yet
};
