#include "core/session.h"

namespace vorlix {

TSession_Flags& Session_Flags() {
  static TSession_Flags flags;
  return flags;
}

}  // namespace vorlix
