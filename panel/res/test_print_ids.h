// Resource ids of the test print (test_print.rc).
#pragma once

// The test label, drawn at build time by make_test_label.py: 1244 x 707
// pixels at 305 dpi.
#define IDB_TEST_LABEL 191
