// Counts the clicks on the widget, on the panel and in the browser alike, and
// shows the count in the label.
var presses = 0;
XObj.clicked.connect(function () {
    presses = presses + 1;
    var label = XObj.component("status");
    if (label)
        label.setValueHandlerSignal(label, presses, XObj);
});
