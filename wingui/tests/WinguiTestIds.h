#pragma once

// The test dialog of WinguiTest.rc.
#define IDD_WINGUI_TEST 100
#define IDC_WINGUI_TEST_THROW 1001
