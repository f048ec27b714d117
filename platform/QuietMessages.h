#pragma once
// Standard error carries the program's own failure lines; the platform's
// warnings (a missing runtime folder on a server, say) would drown them.
// Only critical and fatal messages pass, or all of them with LAGWATCH_DEBUG set.
void InstallQuietMessageHandler();
