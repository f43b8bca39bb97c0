// The indented text dump of a node tree, one line per node, for diagnosis.
#include <cstring>

#include "asn1/Asn1.h"

namespace {

void Line(std::string& out, int indent, const char* kindName) {
    out.append(static_cast<std::size_t>(indent > 0 ? indent : 0), ' ');
    out.append(kindName);
}

}  // namespace

void TAsn1Base::Dump(std::string& out, int indent) const {
    Line(out, indent, kindName);
    out.push_back('\n');
}

void TAsn1Sequence::DumpChildren(std::string& out, int indent) const {
    for (const auto& child : children) {
        if (child) child->Dump(out, indent + 2);
    }
}

void TAsn1Sequence::Dump(std::string& out, int indent) const {
    TAsn1Base::Dump(out, indent);
    DumpChildren(out, indent);
}

void TAsn1Implicit::Dump(std::string& out, int indent) const {
    Line(out, indent, kindName);
    out.append(" ").append(std::to_string(tagNumber)).push_back('\n');
    DumpChildren(out, indent);
}

void TAsn1Integer::Dump(std::string& out, int indent) const {
    Line(out, indent, kindName);
    out.append(" ").append(std::to_string(value)).push_back('\n');
}

void TAsn1OctetString::Dump(std::string& out, int indent) const {
    // The contents as text, up to their first zero octet.
    Line(out, indent, kindName);
    out.append(" ").append(data.c_str()).push_back('\n');
}

void TAsn1Object::Dump(std::string& out, int indent) const {
    Line(out, indent, kindName);
    out.append(" ").append(oid).push_back('\n');
}
