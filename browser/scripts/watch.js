// Tells the probe whether the page sniffed (read document.all, document.layers or the browser's
// name) and whether it then did anything: created, changed or wrote something on the page, or
// opened a box or a window. A page that sniffed and did nothing took neither browser's branch;
// waiting for the user is no doing of its own, since what a handler does is not seen. Each is said once. Main frame only; put after the layer's script, so
// that what is read is what the page reads.
(function () {
  var sniffed = false;
  var active = false;
  var parsed = false;

  function sniff() {
    if (sniffed)
      return;
    sniffed = true;
    channel.send('sniffed', null);
  }
  function act() {
    if (!sniffed || active)
      return;
    active = true;
    channel.send('active', null);
  }

  function descriptorOf(object, name) {
    for (var o = object; o; o = Object.getPrototypeOf(o)) {
      var found = Object.getOwnPropertyDescriptor(o, name);
      if (found)
        return found;
    }
    return undefined;
  }

  // Reads of `name` go through an own accessor that reaches what was there before, or what the
  // prototypes hold when read; a page that sets the property keeps its own value.
  function watchRead(object, name) {
    var own = Object.getOwnPropertyDescriptor(object, name);
    try {
      Object.defineProperty(object, name, {
        configurable: true,
        enumerable: own ? own.enumerable : true,
        get: function () {
          sniff();
          var found = own || descriptorOf(Object.getPrototypeOf(object), name);
          return !found ? undefined : found.get ? found.get.call(object) : found.value;
        },
        set: function (value) {
          if (own && own.set)
            own.set.call(object, value);
          Object.defineProperty(object, name, { configurable: true, enumerable: true, writable: true, value: value });
        }
      });
    } catch (e) {}
  }
  watchRead(document, 'all');
  watchRead(document, 'layers');
  watchRead(navigator, 'appName');
  watchRead(navigator, 'appVersion');
  watchRead(navigator, 'userAgent');

  // Calls and setters that do something, in whoever's prototype they are.
  function after(object, name) {
    var found = Object.getOwnPropertyDescriptor(object, name);
    if (!found || !found.configurable)
      return;
    try {
      if (typeof found.value === 'function') {
        var call = found.value;
        found.value = function () {
          act();
          return call.apply(this, arguments);
        };
      } else if (found.set) {
        var set = found.set;
        found.set = function (value) {
          act();
          return set.call(this, value);
        };
      } else {
        return;
      }
      Object.defineProperty(object, name, found);
    } catch (e) {}
  }
  ['write', 'writeln', 'createElement'].forEach(function (name) { after(Document.prototype, name); });
  ['appendChild', 'insertBefore', 'replaceChild', 'removeChild', 'textContent'].forEach(function (name) {
    after(Node.prototype, name);
  });
  ['innerHTML', 'outerHTML', 'insertAdjacentHTML', 'insertAdjacentElement', 'insertAdjacentText'].forEach(
    function (name) { after(Element.prototype, name); });
  after(HTMLElement.prototype, 'innerText');
  ['alert', 'confirm', 'prompt', 'open', 'status', 'defaultStatus'].forEach(function (name) { after(window, name); });

  // Changes to what is on the page. While it is parsed, the parser adds elements and text (and
  // text in pieces); only a changed attribute is then surely the page's doing, its other changes
  // are seen through the calls above.
  function changed(records) {
    for (var i = 0; i < records.length; ++i)
      if (parsed || records[i].type === 'attributes')
        return act();
  }
  var observer = new MutationObserver(changed);
  observer.observe(document, { childList: true, attributes: true, characterData: true, subtree: true });
  document.addEventListener('DOMContentLoaded', function () {
    // What the parser did last may still wait to be told.
    changed(observer.takeRecords());
    parsed = true;
  }, true);
})();
