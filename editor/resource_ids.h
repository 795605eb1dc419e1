/* Resources every plug-in module carries under the same ids. Shared by
   the resource scripts and the editor code, so plain macros. */
#ifndef ORKV_EDITOR_RESOURCE_IDS_H
#define ORKV_EDITOR_RESOURCE_IDS_H

#define IDD_PAGE 101         /* the page panel dialog */
#define IDB_PAGE 106         /* 430 x 110 page panel, source of every control's background */
#define IDB_KNOB_FACE 107    /* 50 x 50, run-length compressed, key-colour ground */
#define IDB_SLIDER_THUMB 108 /* 50 x 50, key colour outside columns 14-34, rows 14-35 */

#endif
