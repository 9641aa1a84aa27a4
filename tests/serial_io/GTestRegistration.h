// GoogleTest registers every test with a global constructor, which the
// module libraries' warning set (inherited through their link interface)
// would otherwise turn into an error here.
#pragma once

#pragma clang diagnostic ignored "-Wglobal-constructors"
#pragma clang diagnostic ignored "-Wexit-time-destructors"

#include <gtest/gtest.h>
