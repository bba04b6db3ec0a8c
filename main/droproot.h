// Dropping corvand's root rights to the user "corvand" in the group "system".
#pragma once

// 0, or -1 when the user or the group is unknown. Failing set-id steps are only logged.
int corvand_droproot(void);
