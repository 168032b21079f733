// Resource and control ids, in the dialog template's order.
#pragma once

#define IDI_APP 1
#define IDD_INSTALLER 101
// Its size in dialog units; the expanded height is the full template height at any scale.
#define IDD_INSTALLER_WIDTH 370
#define IDD_INSTALLER_HEIGHT 255

#define IDC_CHECK_DRIVERS 1001
#define IDC_CHECK_IE 1002
#define IDC_CHECK_NETSCAPE 1003
#define IDC_CHECK_JAVA 1004
#define IDT_STATUS_DRIVERS 1005
#define IDT_STATUS_IE 1006
#define IDT_STATUS_NETSCAPE 1007
#define IDT_STATUS_JAVA 1008
#define IDE_REPORT 1009
#define IDC_READER_TYPE 1010
