#include "asn1/Asn1Pool.h"

thread_local constinit TAsn1Pool::FreeLists TAsn1Pool::freeLists{};
