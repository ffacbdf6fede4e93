// The test host of the page tests: an empty dialog the pages are created in.
#pragma once

#define IDD_PAGE_HOST 900
