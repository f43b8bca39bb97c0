// The one model of the monitored router: its five settings and the fixed
// table of every SNMP variable the program polls.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "router/Interfacewalk.h"
#include "snmp/Snmp.h"

struct TCiscoPool {
    TSnmpValue* poolName = nullptr;
    TSnmpValue* poolUsed = nullptr;
    TSnmpValue* poolFree = nullptr;
};

struct TCiscoInterface {
    TSnmpValue* descr = nullptr;
    TSnmpValue* inUcast = nullptr;
    TSnmpValue* inNUcast = nullptr;
    TSnmpValue* outUcast = nullptr;
    TSnmpValue* outNUcast = nullptr;
};

class TCiscoConfig {
public:
    static constexpr int kMaxVariables = 256;
    static constexpr int kMaxInterfaces = 16;
    static constexpr int kMaxPools = 2;

    TCiscoConfig();
    TCiscoConfig(const TCiscoConfig&) = delete;
    TCiscoConfig& operator=(const TCiscoConfig&) = delete;

    // Builds the five variables of interface `i`, whose OIDs carry `i` as
    // their instance. Returns false, building nothing, when the tables are full.
    bool AddInterface(int i);

    // Makes `instance` the interface whose counters are polled: one of the
    // list's first ten, or one beyond them (the walk found it, or the
    // settings name it), for which the model keeps five variables of its
    // own in place of those of the one chosen before.
    void ChooseInterface(int instance);
    // The interface of `instance` whose variables the model holds: one of
    // the first ten, or the one chosen beyond them; none for any other.
    const TCiscoInterface* FindInterface(int instance) const;
    // The instance of the interface chosen beyond the first ten, or -1.
    int chosenInstance() const { return chosenInstance_; }

    // Calls `send` with the OID of every variable a request tick asks for
    // at `now` (whole seconds), in table order, then the four counters of
    // interface `instance` (none when the model holds no such interface):
    // what is not answered yet or changes, and what the router lacks once a
    // TSnmpValue::kAbsentRetry.
    void RequestTick(std::int64_t now, int instance,
                     const std::function<void(const std::string&)>& send);

    // Files a reply received at `now` (whole seconds) into every variable
    // whose OID is the reply's, byte for byte: its value and text, answered,
    // fresh, and a sample. A noSuchName marks those variables absent; any
    // other error files nothing. Returns whether any variable matched.
    bool FileReply(const TSnmpValue& reply, std::int64_t now);
    // Another router, or the same one anew: what it lacked is asked at once.
    void ForgetAbsent();
    // Ends a poll tick: no variable is fresh any more.
    void ClearFresh();

    // Overlay the stored settings, and store all five of them.
    void Load();
    void Save() const;

    int variableCount() const { return static_cast<int>(variables.size()); }

    std::string name = "ventrel";  // names the settings file
    std::string hostname;          // address or host name, optionally ":port"
    std::string community;
    int selectedInterface = 6;
    int top = 0;
    int left = 0;

    TSnmpValue* cpu = nullptr;
    std::array<TCiscoPool, kMaxPools> pools{};
    int poolCount = 0;
    std::vector<std::unique_ptr<TSnmpValue>> variables;  // table order: the poll order
    std::array<TCiscoInterface, kMaxInterfaces> interfaces{};
    int interfaceCount = 0;
    // The router's interfaces as the walk of their names finds them.
    TInterfaceWalk walk;

private:
    TSnmpValue* AddVariable(std::string oid, bool once, bool active);
    TCiscoInterface BuildInterface(int instance);

    TCiscoInterface chosen_{};
    int chosenInstance_ = -1;
};

// The program's one router model, made by the main window.
extern TCiscoConfig* Config;
