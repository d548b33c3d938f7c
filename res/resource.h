// Resource identifiers shared by the resource script and the code.
#pragma once

#define IDI_ZORVANE 1
#define IDI_PLUGIN_FIRST 101
#define IDI_START_FIRST 201
#define IDR_MANIFEST 1
