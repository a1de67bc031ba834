// Resource ids of the data source and the texts of its string table.
#ifndef ORVELLUX_RESOURCE_H
#define ORVELLUX_RESOURCE_H

#define IDD_LIVE_VIEW 105
#define IDD_FORMAT 111

#define IDC_EXIT 1002
#define IDC_SNAPSHOT 1003
#define IDC_TRANSFER 1008
#define IDC_LIVE_VIDEO 1010
#define IDC_THUMB_1 1011
#define IDC_THUMB_2 1012
#define IDC_THUMB_3 1013
#define IDC_SNAPSHOT_PREVIEW 1014
#define IDC_THUMB_5 1015
#define IDC_THUMB_0 1016
#define IDC_THUMB_6 1017
#define IDC_THUMB_7 1018
#define IDC_THUMB_4 1019
#define IDC_THUMB_9 1020
#define IDC_THUMB_8 1025
#define IDC_THUMB_10 1026
#define IDC_THUMB_11 1027
#define IDC_SNAPSHOT_FACE 1036
#define IDC_TRANSFER_FACE 1037
#define IDC_EXIT_FACE 1038
#define IDC_STRIP_BANNER 1039
#define IDC_FORMAT_FACE 1040
#define IDC_SIDE_BANNER 1041
#define IDC_CAMERA_PROPERTIES 1042
#define IDC_FORMAT 1043

// Format dialog
#define IDC_RES_1280 1024
#define IDC_RES_640 1025
#define IDC_RES_320 1026
#define IDC_FORMAT_OK 1027
#define IDC_RES_2048 1028
#define IDC_RES_1600 1029
#define IDC_RES_2592 1057

#define IDB_TRANSFER_UP 115
#define IDB_EXIT_UP 116
#define IDB_FORMAT_UP 117
#define IDB_SNAPSHOT_UP 118
#define IDB_SNAPSHOT_DOWN 119
#define IDB_EXIT_DOWN 120
#define IDB_SIDE_BANNER 129
#define IDB_STRIP_BANNER 133
#define IDB_TRANSFER_DOWN 134

#define IDS_MANUFACTURER 0
#define IDS_PRODUCT_FAMILY 1
#define IDS_VERSION_INFO 3
#define IDS_XFER_BUSY 4
#define IDS_CAPTURE_FRAME 5
#define IDS_SELECT_IMAGE 6
#define IDS_ERROR 7
#define IDS_NO_CAMERA 8

#define TEXT_MANUFACTURER "TWAIN Working Group"
#define TEXT_PRODUCT_FAMILY "TWAIN"
#define TEXT_VERSION_INFO "Oct, 1999"
#define TEXT_XFER_BUSY "Not finish data transfer yet. \nPlease wait for a second and try again."
#define TEXT_CAPTURE_FRAME "Capture Frame"
#define TEXT_SELECT_IMAGE "Please select one or more Image to transfer"
#define TEXT_ERROR "Error"
#define TEXT_NO_CAMERA "Can not find camera.\nPlease connect Quillmarch Halverin!!"

#endif
