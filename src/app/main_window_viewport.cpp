// The viewport on Panel1 and the commands that hand the selection to other
// parts of the program.
#include "app/main_window.h"
#include "app/message_box.h"

namespace kelanim {

void TForm1::create_viewport() {}

void TForm1::load_textures() {}

void TForm1::refresh_viewport() {}

void TForm1::ExporttoMS3d1Click()
{
    show_message(this, QStringLiteral("Export to MilkShape is not available yet."), MessageIcon::information);
}

void TForm1::ImportFromMS3d1Click()
{
    show_message(this, QStringLiteral("Import from MilkShape is not available yet."), MessageIcon::information);
}

}  // namespace kelanim
