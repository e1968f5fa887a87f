// The foreign host conversion: how the repair pass turns the host field of a
// board outside the two handled families into the form the reader expects.
//
// Some foreign boards keep a path in their host ("host/dir"), written by older
// readers with "_" in place of "/".  The conversion swaps the two: an "_" that
// stands between two ordinary characters becomes "/", and a "/" that ends the
// text or doubles another "/" becomes "_".
#pragma once

namespace vendrit {

// Converts `host` in place.  Each byte is decided from its own value and the
// byte after it as they were before the conversion.
void convert_foreign_host(char* host);

}  // namespace vendrit
