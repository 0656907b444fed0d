// The security commands of the front end: the part's state, getting a secured part back, and
// securing one on purpose. Each connects as "&Connect" does; the work is the portable
// operations of programming/security.
#include <cstdio>

#include "app/message_pane.h"
#include "cli/cli.h"
#include "cli/target_options.h"
#include "programming/security.h"
#include "target/catalogue.h"

int cli_status(int argc, char** argv) {
  TargetOptions o;
  if (!parse_target_options(argc, argv, false, 0, &o)) return kExitUsage;
  // Attached as the part is: a status that reset the part would not show its state.
  const int status = open_target(o, false);
  if (status != kExitOk) return status;
  const Derivative* target = current_target();
  const int family = target && target->info ? int(target->info->family_code) : int(FAMILY_HCS12);
  return report_part_status(o.map, family) ? kExitOk : kExitFailed;
}

int cli_unsecure(int argc, char** argv) {
  TargetOptions o;
  if (!parse_target_options(argc, argv, false, 0, &o)) return kExitUsage;
  const int status = open_target(o);
  if (status != kExitOk) return status;
  return unsecure_part(o.map) ? kExitOk : kExitFailed;
}

int cli_secure(int argc, char** argv) {
  TargetOptions o;
  if (!parse_target_options(argc, argv, false, kAllowBackdoor, &o)) return kExitUsage;
  BackdoorKey key;
  if (o.backdoor && !parse_backdoor_key(o.backdoor, &key)) {
    usage_error("bad backdoor key (four 16-bit words in hex, none 0000 or FFFF)", o.backdoor);
    return kExitUsage;
  }
  const int status = open_target(o);
  if (status != kExitOk) return status;
  return secure_part(o.backdoor ? &key : nullptr) ? kExitOk : kExitFailed;
}
