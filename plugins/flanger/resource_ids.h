/* Resource ids of ORKVFlanger that differ between plug-ins; shared by its resource
   script and its C++ code. */
#ifndef ORKV_PLUGIN_RESOURCE_IDS_H
#define ORKV_PLUGIN_RESOURCE_IDS_H

#define IDB_ABOUT 112        /* 220 x 220 about image */
#define IDD_ABOUT 115        /* about dialog */
#define IDR_CONTEXT_MENU 118 /* the page's context menu */

#endif
