#include "object_model/invoke_counts.h"

#include <tuple>

namespace korvel::standin {

bool CountedInvoke::operator<(const CountedInvoke& o) const {
  return std::tie(object, member, flags, arg_types, returned, nested) <
         std::tie(o.object, o.member, o.flags, o.arg_types, o.returned, o.nested);
}

bool CountedLookup::operator<(const CountedLookup& o) const {
  return std::tie(object, names, nested) < std::tie(o.object, o.names, o.nested);
}

long long InvokeCounts::caller_invokes() const {
  long long n = 0;
  for (const auto& [call, count] : invokes_)
    if (!call.nested) n += count;
  return n;
}

long long InvokeCounts::caller_lookups() const {
  long long n = 0;
  for (const auto& [lookup, count] : lookups_)
    if (!lookup.nested) n += count;
  return n;
}

}  // namespace korvel::standin
