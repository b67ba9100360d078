// Reports pictures, styles, scripts and frames of the page that did not load.
(function () {
  function report(element, address) {
    channel.send('failed', { tag: element.tagName.toLowerCase(), address: address });
  }
  window.addEventListener('error', function (event) {
    var element = event.target;
    if (!element || element === window || !element.tagName)
      return;
    report(element, element.currentSrc || element.src || element.href || element.data || '');
  }, true);
  // A frame that failed shows the engine's error page, which the page may not look into; a frame
  // from another site looks the same, so only local frames are judged.
  document.addEventListener('load', function (event) {
    var frame = event.target;
    if (!frame || (frame.tagName !== 'IFRAME' && frame.tagName !== 'FRAME'))
      return;
    if (String(frame.src).indexOf('file:') !== 0)
      return;
    try {
      void frame.contentWindow.location.href;
    } catch (e) {
      report(frame, frame.src);
    }
  }, true);
})();
