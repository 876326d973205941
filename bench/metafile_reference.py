# The reference drawing of metafiles for metafile_bench: a deck whose slides
# each show one metafile picture in their top left corner, opened by
# LibreOffice Impress, every slide exported as PNG at the asked pixel size.
# The picture goes through the deck's import and the slide's drawing, a
# different road through LibreOffice than the office helper's.
#   /usr/bin/python3 bench/metafile_reference.py DECK OUT_FOLDER WIDTH HEIGHT
# Writes OUT_FOLDER/<slide index>.png; prints the number of slides.
import os, shutil, subprocess, sys, tempfile, time
import uno
from com.sun.star.beans import PropertyValue


def pv(name, value):
    p = PropertyValue()
    p.Name, p.Value = name, value
    return p


deck, out, width, height = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
profile = tempfile.mkdtemp(prefix="qmx-mfref-")
pipe = "qmx-mfref-%d" % os.getpid()
office = subprocess.Popen(["/usr/lib/libreoffice/program/soffice", "--headless", "--invisible", "--norestore",
                           "--nologo", "--nodefault", "--nolockcheck", "-env:UserInstallation=file://" + profile,
                           "--accept=pipe,name=%s;urp;" % pipe],
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
try:
    local = uno.getComponentContext()
    resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
    deadline = time.time() + 300
    while True:
        try:
            ctx = resolver.resolve("uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
            break
        except Exception:
            if time.time() > deadline or office.poll() is not None:
                sys.exit("LibreOffice did not start")
            time.sleep(0.1)
    desktop = ctx.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", ctx)
    exporter = ctx.ServiceManager.createInstanceWithContext("com.sun.star.drawing.GraphicExportFilter", ctx)
    doc = desktop.loadComponentFromURL(uno.systemPathToFileUrl(deck), "_blank", 0,
                                       (pv("Hidden", True), pv("ReadOnly", True)))
    pages = doc.DrawPages
    fd = uno.Any("[]com.sun.star.beans.PropertyValue", (pv("PixelWidth", width), pv("PixelHeight", height)))
    for i in range(pages.getCount()):
        exporter.setSourceDocument(pages.getByIndex(i))
        exporter.filter((pv("URL", uno.systemPathToFileUrl(os.path.join(out, "%d.png" % i))),
                         pv("MediaType", "image/png"), pv("FilterData", fd)))
    print(pages.getCount(), flush=True)
    doc.close(True)
finally:
    os.killpg(office.pid, 15)
    office.wait()
    shutil.rmtree(profile, ignore_errors=True)
