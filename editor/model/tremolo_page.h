/* The Tremolo's page texts and resource ids, written once: read by the
   library's resource script and by the page table (tremolo_page.cpp). Plain
   macros, for the resource compiler. A second plug-in's header in the same
   file redefines them and fails the build. */
#ifndef ORKV_TREMOLO_PAGE_H
#define ORKV_TREMOLO_PAGE_H

#define ORKV_PAGE_TITLE "ORKVTremolo" /* string 1 */
#define ORKV_ABOUT_MENU_TEXT "&About KV Tremolo..."

#define IDB_ABOUT 112        /* 220 x 220 about image */
#define IDD_ABOUT 116        /* about dialog */
#define IDR_CONTEXT_MENU 115 /* the page's context menu */

/* The about dialog's style (no 3-D look). */
#define ORKV_ABOUT_STYLE (WS_POPUP | DS_MODALFRAME | DS_SETFONT)

#endif
