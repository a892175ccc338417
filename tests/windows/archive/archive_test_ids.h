// Resource ids of the extraction tests' archives and samples.
#pragma once

#define IDR_TEST_GOOD 7001
#define IDR_TEST_UNSUPPORTED 7002
#define IDR_TEST_LOCKED 7003
#define IDR_TEST_TEXT 7101
#define IDR_TEST_BITMAP 7102
