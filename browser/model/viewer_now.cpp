// The viewer's shown state (see viewer_now.h); a fresh start shows the list.
#include "browser/model/viewer_now.h"

viewer_now_record viewer_now;
