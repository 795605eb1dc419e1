/* The Chorus's page texts and resource ids, written once: read by the
   library's resource script and by the page table (chorus_page.cpp). Plain
   macros, for the resource compiler. A second plug-in's header in the same
   file redefines them and fails the build. */
#ifndef ORKV_CHORUS_PAGE_H
#define ORKV_CHORUS_PAGE_H

#define ORKV_PAGE_TITLE "ORKVChorus" /* string 1 */
#define ORKV_ABOUT_MENU_TEXT "&About KV Chorus..."

#define IDB_ABOUT 115        /* 220 x 220 about image */
#define IDD_ABOUT 118        /* about dialog */
#define IDR_CONTEXT_MENU 117 /* the page's context menu */

/* The about dialog's style. */
#define ORKV_ABOUT_STYLE (WS_POPUP | DS_MODALFRAME | DS_SETFONT | DS_3DLOOK)

#endif
