# Sourced by bench.sh while it prepares a fresh prefix: registers the stand-in
# PDF automation server (built as D:\tests\standin_pdf.dll, D: being the build
# tree) under HKLM, where COM finds in-process servers under Wine.
zote_pdf_dll='D:\tests\standin_pdf.dll'
for zote_pdf_class in 'AcroExch.PDDoc {6E0C4F7A-8C1D-4C55-9B1E-2A5D3C7B9A01}' 'AcroExch.Rect {6E0C4F7A-8C1D-4C55-9B1E-2A5D3C7B9A02}'; do
  set -- $zote_pdf_class
  wine reg add "HKLM\\Software\\Classes\\$1\\CLSID" /ve /d "$2" /f >/dev/null 2>&1
  wine reg add "HKLM\\Software\\Classes\\CLSID\\$2\\InprocServer32" /ve /d "$zote_pdf_dll" /f >/dev/null 2>&1
  wine reg add "HKLM\\Software\\Classes\\CLSID\\$2\\InprocServer32" /v ThreadingModel /d Apartment /f >/dev/null 2>&1
done
wineserver -w
set --
unset zote_pdf_dll zote_pdf_class
