# The reference drawing of metafiles for metafile_bench: decks whose one
# slide shows one metafile picture over the whole slide, opened by
# LibreOffice Impress and exported as PNG. The picture goes through the
# deck's import and the slide's drawing, a different road through
# LibreOffice than the office helper's.
#   /usr/bin/python3 bench/metafile_reference.py JOBS
# JOBS holds one line per export: DECK<TAB>PNG<TAB>WIDTH<TAB>HEIGHT (a deck
# may be exported several times at different sizes). Prints the number of
# PNGs written.
import os, shutil, subprocess, sys, tempfile, time
import uno
from com.sun.star.beans import PropertyValue


def pv(name, value):
    p = PropertyValue()
    p.Name, p.Value = name, value
    return p


jobs = [line.rstrip("\n").split("\t") for line in open(sys.argv[1]) if line.strip()]
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
    written, doc, opened = 0, None, None
    for deck, png, width, height in jobs:
        try:
            if opened != deck:
                if doc is not None:
                    doc.close(True)
                doc, opened = None, deck
                doc = desktop.loadComponentFromURL(uno.systemPathToFileUrl(deck), "_blank", 0,
                                                   (pv("Hidden", True), pv("ReadOnly", True)))
            fd = uno.Any("[]com.sun.star.beans.PropertyValue",
                         (pv("PixelWidth", int(width)), pv("PixelHeight", int(height))))
            exporter.setSourceDocument(doc.DrawPages.getByIndex(0))
            exporter.filter((pv("URL", uno.systemPathToFileUrl(png)), pv("MediaType", "image/png"),
                             pv("FilterData", fd)))
            written += 1
        except Exception as e:
            print("%s: %s" % (deck, e), file=sys.stderr)
    if doc is not None:
        doc.close(True)
    print(written, flush=True)
finally:
    os.killpg(office.pid, 15)
    office.wait()
    shutil.rmtree(profile, ignore_errors=True)
