#include "router/Interfacewalk.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include "router/Oids.h"
#include "snmp/Snmp.h"

namespace {

// The instance of a cell of the column, "column.N", or none for an OID
// outside the column or with more than one arc after it.
std::optional<std::int32_t> InstanceOf(std::string_view oid) {
    const std::string_view column = mib::kIfDescr;
    if (oid.size() <= column.size() + 1 || !oid.starts_with(column) || oid[column.size()] != '.')
        return std::nullopt;
    const std::string_view arc = oid.substr(column.size() + 1);
    std::int32_t instance = 0;
    auto [end, error] = std::from_chars(arc.data(), arc.data() + arc.size(), instance);
    if (error != std::errc{} || end != arc.data() + arc.size() || instance < 0) return std::nullopt;
    return instance;
}

bool InColumn(std::string_view oid) {
    const std::string_view column = mib::kIfDescr;
    return oid.size() > column.size() && oid.starts_with(column) && oid[column.size()] == '.';
}

}  // namespace

void TInterfaceWalk::Start(TClock::time_point now, bool forget) {
    if (forget && !found_.empty()) {
        found_.clear();
        ++version_;
    }
    state_ = TState::Walking;
    cursor_ = mib::kIfDescr;
    waiting_ = false;
    tries_ = 0;
    requests_ = 0;
    // The first request goes out at once.
    sent_ = now - kStep;
}

std::optional<std::string> TInterfaceWalk::Due(TClock::time_point now) {
    if (state_ != TState::Walking || now - sent_ < kMinGap) return std::nullopt;
    if (waiting_ && now - sent_ < kAnswerWait) return std::nullopt;
    if (waiting_ && tries_ >= kTries) {
        gaveUp_ = now;
        Finish(TState::GaveUp);
        return std::nullopt;
    }
    waiting_ = true;
    sent_ = now;
    ++tries_;
    ++requests_;
    return cursor_;
}

void TInterfaceWalk::Take(const TSnmpValue& reply) {
    if (state_ != TState::Walking || !reply.next) return;
    if (reply.errorStatus != kNoError) {
        // An error binds the OID asked: one for an earlier step is stale.
        if (reply.oid != cursor_) return;
        if (reply.errorStatus == kNoSuchName) {
            Finish(TState::Done);  // nothing follows: the agent's last object
        } else {
            waiting_ = false;  // a passing fault: asked again, within the tries
        }
        return;
    }
    // An answer to an earlier step (a late one, or one asked twice) names
    // an object this walk has passed already.
    if (!OidBefore(cursor_, reply.oid)) return;
    if (!InColumn(reply.oid)) {
        Finish(TState::Done);
        return;
    }
    cursor_ = reply.oid;
    waiting_ = false;
    tries_ = 0;
    // A cell of more than one arc is no interface; the walk goes on past it.
    if (std::optional<std::int32_t> instance = InstanceOf(reply.oid))
        Found(*instance, reply.valueText);
    if (found_.size() >= kMaxInterfaces) Finish(TState::Done);
}

bool TInterfaceWalk::RetryDue(TClock::time_point now) const {
    return state_ == TState::GaveUp && now - gaveUp_ >= kRetryAfter;
}

void TInterfaceWalk::Finish(TState state) {
    state_ = state;
    waiting_ = false;
}

void TInterfaceWalk::Found(std::int32_t instance, const std::string& name) {
    auto at = std::lower_bound(
        found_.begin(), found_.end(), instance,
        [](const TWalkedInterface& entry, std::int32_t wanted) { return entry.instance < wanted; });
    if (at != found_.end() && at->instance == instance) {
        if (at->name == name) return;
        at->name = name;
    } else {
        found_.insert(at, {instance, name});
    }
    ++version_;
}
