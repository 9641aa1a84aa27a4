// Test binaries inherit the module libraries' warnings; GoogleTest registers
// each test through a global object, and test tables are globals too.
#pragma once

#pragma clang diagnostic ignored "-Wglobal-constructors"
#pragma clang diagnostic ignored "-Wexit-time-destructors"
