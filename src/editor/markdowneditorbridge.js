// Gives the editor page window.webkit.messageHandlers.larchNotes.postMessage(object), the one
// entry point it posts its messages to, and carries each message to the host over the web
// channel. The channel connects asynchronously; messages posted before it is up (early script
// errors, the first reports) are queued and sent in order once it is.
(function (endpointName) {
    "use strict";
    var pending = [];
    var endpoint = null;

    window.webkit = window.webkit || {};
    window.webkit.messageHandlers = window.webkit.messageHandlers || {};
    window.webkit.messageHandlers.larchNotes = {
        postMessage: function (message) {
            if (endpoint) {
                endpoint.postMessage(message);
            } else {
                pending.push(message);
            }
        }
    };

    function connect() {
        if (typeof qt === "undefined" || !qt.webChannelTransport) {
            return false;
        }
        new QWebChannel(qt.webChannelTransport, function (channel) {
            endpoint = channel.objects[endpointName];
            var queued = pending;
            pending = [];
            for (var i = 0; i < queued.length; ++i) {
                endpoint.postMessage(queued[i]);
            }
        });
        return true;
    }

    if (!connect()) {
        // The transport is installed with the window object, possibly after this script ran.
        var timer = setInterval(function () {
            if (connect()) {
                clearInterval(timer);
            }
        }, 10);
    }
})
