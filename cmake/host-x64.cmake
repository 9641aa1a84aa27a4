# Host tests on x86-64, built with clang so EFIAPI (ms_abi) variadics behave as in firmware.
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
