// The maker's web addresses, used by the tray menu, the update reminder and
// the resource script. The reserved ".example" name keeps the program from
// sending its users to a stranger's site.
#pragma once

#define MAKER_HOST "www.morvane.example"
#define MAKER_HOME_PAGE "http://" MAKER_HOST "/"
#define MAKER_PRODUCT_PAGE "http://" MAKER_HOST "/products/zapwick.htm"
