# The screen reader's script for the Panelia kiosk. The kiosk moves the focus to a page's first
# heading when the reader starts and whenever a page loads; the reader's WebKitGTK script passes over
# a focused heading, so here it is presented: the visitor hears where they are, then explores by
# touch (each link or button touched is read as it takes the focus).
import pyatspi

from orca import orca
from orca.scripts.toolkits.WebKitGtk import script as webkitgtk


class Script(webkitgtk.Script):
    def onFocusedChanged(self, event):
        if event.detail1 and not self._inSayAll:
            try:
                heading = event.source.getRole() == pyatspi.ROLE_HEADING
            except Exception:
                heading = False
            if heading and self.utilities.isWebKitGtk(event.source):
                orca.setLocusOfFocus(event, event.source, False)
                self.utilities.setCaretContext(event.source, 0)
                self.presentObject(event.source)
                return
        super().onFocusedChanged(event)
