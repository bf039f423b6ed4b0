// The print job: every page of the run (or the one page of the filter)
// rendered and replayed into the chosen printer, page units mapped onto the
// printable area.
#pragma once

// 0 always; print_settings.pages_sent says how many pages went out. A job
// that cannot start (no printer, StartDoc failed or cancelled) is reported
// and renders nothing; one whose pages or end the printer refuses is
// reported too, and counts no page. The printer DC keeps its mapping.
int print_pages();
