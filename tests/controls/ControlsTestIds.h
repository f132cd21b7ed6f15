#pragma once
// Resources of the control tests, above the panel's own ids.

#define IDP_TEST_CROP 900
#define IDP_TEST_BLUE 901
#define IDP_TEST_LEVELS 902
#define IDP_TEST_TRACK 903
#define IDP_TEST_THUMB 904
#define IDP_TEST_BROKEN 905

#define IDD_TEST_HOST 920
#define IDD_TEST_PLAIN 921
#define IDD_TEST_EXTENDED 922
#define IDD_TEST_NO_FONT 923
#define IDD_TEST_GARBAGE 924
#define IDD_TEST_LAYOUT 925

#define IDC_TEST_BUTTON 930
#define IDC_TEST_BARE_BUTTON 931
#define IDC_TEST_FADER 932
#define IDC_TEST_LABEL 933
#define IDC_TEST_ITEM_1 941
#define IDC_TEST_ITEM_2 942
#define IDC_TEST_ITEM_3 943
