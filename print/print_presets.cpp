// The print dialog's five layouts; fields they do not name keep their values.
#include "print/print_dialog.h"
#include "print/print_settings.h"

static void texts_off(print_settings_record* r)
{
    r->header_folder = r->header_page_number = 0;
    r->show_date = r->show_time = r->show_size = 0;
    r->caption_name = r->caption_comment = r->keep_number_prefix = 0;
}

static void one_full_page(print_settings_record* r)
{
    r->columns = r->rows = 1;
    r->margin_left = r->margin_top = r->margin_right = r->margin_bottom = 0;
    r->centre_on_paper = 1;
    r->turn_to_fit = 1;
    texts_off(r);
    r->poster = r->fill_page = r->fixed_cell_size = r->square_cells = 0;
    r->start_cell = r->frame = r->crop = 0;
}

void preset_poster_2x1(print_settings_record* r)
{
    texts_off(r);
    r->poster = 1;
    r->columns = 2, r->rows = 1;
    r->centre_on_paper = 1;
    r->turn_to_fit = 1;
    r->align_x = r->align_y = 1;
    r->start_cell = r->fixed_cell_size = r->square_cells = r->fill_page = r->frame = r->crop = 0;
}

void preset_contact_sheet(print_settings_record* r)
{
    r->columns = 4;
    r->square_cells = 1;
    r->header_folder = 1;
    r->show_date = r->show_time = 1;
    r->caption_name = r->caption_comment = 1;
    r->align_x = r->align_y = 1;
    r->centre_on_paper = r->turn_to_fit = r->poster = r->fill_page = r->fixed_cell_size = 0;
    r->header_page_number = r->show_size = r->keep_number_prefix = r->start_cell = r->frame = r->crop = 0;
}

void preset_full_page_dated(print_settings_record* r)
{
    one_full_page(r);
    r->show_date = r->show_time = 1;
}

void preset_full_page_cropped(print_settings_record* r)
{
    one_full_page(r);
    r->crop = 1;
}

void preset_sticker_sheet(print_settings_record* r)
{
    r->fill_page = 1;
    r->gap_x = r->gap_y = 20;
    r->margin_left = r->margin_top = r->margin_right = r->margin_bottom = 0;
    r->turn_to_fit = 1;
    texts_off(r);
    r->centre_on_paper = r->poster = r->fixed_cell_size = r->square_cells = 0;
    r->start_cell = r->frame = r->crop = 0;
}
