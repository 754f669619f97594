// Resource ids of VamoSetup. Every id the program uses is named here once;
// the resource script and the C++ code both include this file.
#pragma once

// Dialog templates.
#define IDD_VAMOSETUP_DIALOG 102
#define IDD_DIALOG_BROWSER 130
#define IDD_DIALOG_WELCOME 131
#define IDD_DIALOG_ERROR 132

// Icon.
#define IDR_MAINFRAME 128

// The update-list public key (resource type "KEY").
#define IDR_PUBLIC_KEY 181

// Controls.
#define IDC_DONE 1000
#define IDC_ERROR_DETAIL 1001
#define IDC_SAVE 1002
#define IDC_GUIDE 1003

// String table: deployment values.
#define IDS_UPDATE_LIST_URL 2
#define IDS_ACTION_GUIDE_URL 3
#define IDS_CARRIER_WEB_HOST 4
#define IDS_PAYMENT_SERVER_HOST 5
#define IDS_SUPPORT_PHONE 6
#define IDS_SUPPORT_EMAIL 7

// Button pictures: normal, pressed, hover (the disabled state reuses normal).
#define IDB_CONFIRM_NORMAL 132
#define IDB_CONFIRM_PRESSED 133
#define IDB_CONFIRM_HOVER 134
#define IDB_CLOSE_X_NORMAL 135
#define IDB_CLOSE_X_PRESSED 136
#define IDB_CLOSE_X_HOVER 137
#define IDB_CANCEL_NORMAL 138
#define IDB_CANCEL_PRESSED 139
#define IDB_CANCEL_HOVER 140
#define IDB_ERROR_CLOSE_NORMAL 141
#define IDB_ERROR_CLOSE_PRESSED 142
#define IDB_ERROR_CLOSE_HOVER 143
#define IDB_SAVE_NORMAL 144
#define IDB_SAVE_PRESSED 145
#define IDB_SAVE_HOVER 146
#define IDB_ERROR_DETAIL_HOVER 147
#define IDB_ERROR_DETAIL_PRESSED 148
#define IDB_ERROR_DETAIL_NORMAL 149
#define IDB_NEXT_PRESSED 150
#define IDB_NEXT_HOVER 151
#define IDB_NEXT_NORMAL 152
#define IDB_GUIDE_PRESSED 209
#define IDB_GUIDE_HOVER 210
#define IDB_GUIDE_NORMAL 211
#define IDB_ERROR_SMALL_CLOSE 186

// Backgrounds and headings.
#define IDB_MAIN_BACKGROUND 160
#define IDB_BROWSER_BACKGROUND 161
#define IDB_WELCOME_BACKGROUND 162
#define IDB_WELCOME_HEADING 163
#define IDB_BROWSER_NOTICE 197

// Step strip of the main window: active / inactive pictures.
#define IDB_STEP_ARROW_ON 164
#define IDB_STEP1_OFF 165
#define IDB_STEP1_ON 166
#define IDB_STEP2_OFF 167
#define IDB_STEP2_ON 168
#define IDB_STEP3_OFF 169
#define IDB_STEP3_ON 170
#define IDB_STEP4_OFF 171
#define IDB_STEP4_ON 172
#define IDB_STEP5_OFF 173
#define IDB_STEP5_ON 174
#define IDB_STEP_ARROW_OFF 175

// Progress area of the main window.
#define IDB_GLOBE 176
#define IDB_MONITOR 177
#define IDB_PROGRESS_TRACK 178
#define IDB_PROGRESS_ERROR_FILL 179
#define IDB_PROGRESS_FILL 180
#define IDB_ERROR_MARK 193
#define IDB_CONTACT_BANNER 194

// Error-details dialog.
#define IDB_ERROR_BODY 185
#define IDB_ERROR_LINE_TOP 187
#define IDB_ERROR_LINE_BOTTOM 188
#define IDB_ERROR_CONTACTS 189
#define IDB_ERROR_ADVICE 190
#define IDB_ERROR_TITLE 191
#define IDB_ERROR_HELP_QUESTION 208

// Browser icons of the browser-close prompt.
#define IDB_ICON_SAFARI 196
#define IDB_ICON_CHROME 198
#define IDB_ICON_FIREFOX 199
#define IDB_ICON_IE 200
#define IDB_ICON_OPERA 201
#define IDB_ICON_360 205
#define IDB_ICON_QQ 206
