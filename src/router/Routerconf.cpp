#include "router/Routerconf.h"

#include <algorithm>
#include <iterator>

#include "router/Oids.h"
#include "router/SettingsKey.h"

TCiscoConfig* Config = nullptr;

namespace {

constexpr int kDefaultInterfaces = 10;

}  // namespace

TCiscoConfig::TCiscoConfig() {
    variables.reserve(kMaxVariables);
    cpu = AddVariable(mib::kCpu, false, true);
    poolCount = kMaxPools;
    for (int p = 0; p < poolCount; ++p) {
        // Pool instances start at 1. The free bytes are asked for with the
        // used ones every tick, so that the two are of the same moment.
        TCiscoPool& pool = pools[static_cast<std::size_t>(p)];
        pool.poolName = AddVariable(mib::Cell(mib::kPoolName, p + 1), true, true);
        pool.poolUsed = AddVariable(mib::Cell(mib::kPoolUsed, p + 1), false, true);
        pool.poolFree = AddVariable(mib::Cell(mib::kPoolFree, p + 1), false, true);
    }
    for (int i = 0; i < kDefaultInterfaces; ++i) AddInterface(i);
    hostname = "192.168.0.1";
    community = "kelpie";
    selectedInterface = 6;
    top = 0;
    left = 0;
}

TSnmpValue* TCiscoConfig::AddVariable(std::string oid, bool once, bool active) {
    variables.push_back(std::make_unique<TSnmpValue>(oid, once, active));
    return variables.back().get();
}

bool TCiscoConfig::AddInterface(int i) {
    if (interfaceCount >= kMaxInterfaces || variableCount() + 5 > kMaxVariables) return false;
    // The instance of the first ten is the interface's place in the list,
    // from 0: it is what the list index and the stored "interface" setting
    // meant before the router's own numbers were known.
    interfaces[static_cast<std::size_t>(interfaceCount)] = BuildInterface(i);
    ++interfaceCount;
    return true;
}

TCiscoInterface TCiscoConfig::BuildInterface(int i) {
    TCiscoInterface entry;
    entry.descr = AddVariable(mib::Cell(mib::kIfDescr, i), true, true);
    entry.inUcast = AddVariable(mib::Cell(mib::kIfInUcast, i), false, false);
    entry.inNUcast = AddVariable(mib::Cell(mib::kIfInNUcast, i), false, false);
    entry.outUcast = AddVariable(mib::Cell(mib::kIfOutUcast, i), false, false);
    entry.outNUcast = AddVariable(mib::Cell(mib::kIfOutNUcast, i), false, false);
    entry.descr->valueText = "if" + std::to_string(i);  // shown until the router names it
    for (TSnmpValue* counter : {entry.inUcast, entry.inNUcast, entry.outUcast, entry.outNUcast})
        counter->counter = true;
    return entry;
}

void TCiscoConfig::ChooseInterface(int instance) {
    if (instance == chosenInstance_) return;
    // The variables of the interface chosen before go; a new choice starts
    // without samples, as any interface's counters do.
    if (chosenInstance_ >= 0) {
        const TSnmpValue* old[] = {chosen_.descr, chosen_.inUcast, chosen_.inNUcast,
                                   chosen_.outUcast, chosen_.outNUcast};
        std::erase_if(variables, [&](const auto& v) {
            return std::find(std::begin(old), std::end(old), v.get()) != std::end(old);
        });
        chosen_ = {};
        chosenInstance_ = -1;
    }
    if (instance < interfaceCount || variableCount() + 5 > kMaxVariables) return;
    chosen_ = BuildInterface(instance);
    chosenInstance_ = instance;
}

const TCiscoInterface* TCiscoConfig::FindInterface(int instance) const {
    if (instance >= 0 && instance < interfaceCount)
        return &interfaces[static_cast<std::size_t>(instance)];
    return instance >= 0 && instance == chosenInstance_ ? &chosen_ : nullptr;
}

void TCiscoConfig::RequestTick(std::int64_t now, int instance,
                               const std::function<void(const std::string&)>& send) {
    auto ask = [&](TSnmpValue& v) {
        if (!v.DueAt(now)) return;
        v.lastAsked = now;
        send(v.oid);
    };
    for (const auto& v : variables) {
        if (v->active && !(v->once && v->answered)) ask(*v);
    }
    // The selected interface's counters whatever their flags say.
    const TCiscoInterface* it = FindInterface(instance);
    if (it == nullptr) return;
    for (TSnmpValue* counter : {it->inUcast, it->inNUcast, it->outUcast, it->outNUcast})
        ask(*counter);
}

bool TCiscoConfig::FileReply(const TSnmpValue& reply, std::int64_t now) {
    // A reply that filled no OID matches nothing, not the variables with
    // none. An error other than noSuchName (genErr, tooBig) passes: the
    // variable keeps its last value and is asked again.
    if (reply.oid.empty() || !(reply.answered || reply.errorStatus == kNoSuchName)) return false;
    bool matched = false;
    // Every entry with this OID takes the value: the match runs through the
    // whole table.
    for (const auto& v : variables) {
        if (v->oid != reply.oid) continue;
        matched = true;
        if (!reply.answered) {
            v->MarkAbsent();
            continue;
        }
        v->valueText = reply.valueText;
        v->value = reply.value;
        v->answered = true;
        v->fresh = true;
        v->absent = false;
        v->AddSample(now, reply.value);
    }
    return matched;
}

void TCiscoConfig::ForgetAbsent() {
    for (const auto& v : variables) v->absent = false;
}

void TCiscoConfig::ClearFresh() {
    for (const auto& v : variables) v->fresh = false;
}

void TCiscoConfig::Load() {
    // Each read defaults to the field's current value, so whatever is not
    // stored keeps what construction set.
    SettingsKey key;
    key.Open(name);
    key.ReadString("hostname", hostname, hostname, kTextBufferSize);
    key.ReadString("community", community, community, kTextBufferSize);
    selectedInterface = key.ReadInteger("interface", selectedInterface);
    top = key.ReadInteger("top", top);
    left = key.ReadInteger("left", left);
    key.Close();
}

void TCiscoConfig::Save() const {
    // All five every time, whichever one changed.
    SettingsKey key;
    key.Open(name);
    key.WriteString("hostname", hostname);
    key.WriteString("community", community);
    key.WriteInteger("interface", selectedInterface);
    key.WriteInteger("top", top);
    key.WriteInteger("left", left);
    key.Close();
}
