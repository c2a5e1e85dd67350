// Identifiers the framework itself knows: standard commands, indicator panes, bar ids and the
// string-table entries that carry its texts. The program's resource script defines the texts;
// this header is plain #defines so that the resource compiler can read it too.
#pragma once

// Strings
#define FW_IDS_APP_TITLE 57344        // application name, caption of every message box
#define FW_IDS_IDLEMESSAGE 57345      // message pane text when nothing else is shown
#define FW_IDS_UNTITLED 61443         // title of a document that has no file yet
#define FW_IDS_ALLFILTER 61446        // file-dialog filter name for all files
#define FW_IDP_ASK_TO_SAVE 61456      // "%1" = document title
#define FW_IDP_FAILED_TO_OPEN 61457   // "%1" = file name
#define FW_IDP_FAILED_TO_SAVE 61458   // "%1" = file name
#define FW_IDP_FILE_TOO_LARGE 61459   // edit view: file longer than its text limit
#define FW_IDP_FAILED_TO_PRINT 61460
#define FW_IDP_FILE_NOT_TEXT 61461    // "%1" = file name; bytes the edit view cannot hold
#define FW_IDP_FILE_UTF16 61462       // "%1" = file name; the same, text saved as UTF-16
#define FW_IDP_FILE_UTF8 61463        // "%1" = file name; the same, text saved as UTF-8
#define FW_IDP_FILE_BINARY 61464      // "%1" = file name; the same, zero bytes: no text at all

// The frame's timer that ends modal windows one after the other while a close request waits.
#define FW_IDT_CLOSE_PENDING 0xF100

// File, edit, view and help commands
#define FW_ID_FILE_NEW 57600
#define FW_ID_FILE_OPEN 57601
#define FW_ID_FILE_SAVE 57603
#define FW_ID_FILE_SAVE_AS 57604
#define FW_ID_FILE_PRINT 57607
#define FW_ID_FILE_MRU_FIRST 57616    // recent files 1..4 are 57616..57619
#define FW_ID_FILE_MRU_LAST 57631
#define FW_ID_EDIT_COPY 57634
#define FW_ID_EDIT_CUT 57635
#define FW_ID_EDIT_PASTE 57637
#define FW_ID_EDIT_UNDO 57643
#define FW_ID_APP_ABOUT 57664
#define FW_ID_APP_EXIT 57665
#define FW_ID_NEXT_PANE 57680
#define FW_ID_PREV_PANE 57681
#define FW_ID_VIEW_TOOLBAR 59392
#define FW_ID_VIEW_STATUS_BAR 59393

// Status-bar indicator panes
#define FW_ID_SEPARATOR 0
#define FW_ID_INDICATOR_CAPS 59137
#define FW_ID_INDICATOR_NUM 59138
#define FW_ID_INDICATOR_SCRL 59139
#define FW_ID_INDICATOR_KANA 59142

// Child-window ids of the frame's own bars and of its view
#define FW_IDW_TOOLBAR 59392
#define FW_IDW_STATUS_BAR 59393
#define FW_IDW_PANE_FIRST 59648

// Resource type of a tool-bar description (button size and command ids)
#define FW_RT_TOOLBAR 241

// Messages of dialog data exchange and validation ("%1", "%2": the limits)
#define FW_IDP_PARSE_UINT 61712         // no unsigned integer
#define FW_IDP_PARSE_INT_RANGE 61713    // integer outside %1..%2
#define FW_IDP_PARSE_REAL 61715         // no number
#define FW_IDP_PARSE_REAL_RANGE 61716   // number outside %1..%2
#define FW_IDP_PARSE_STRING_SIZE 61717  // text longer than %1
