// Internet Explorer's document extras: document.selection and text ranges (the select-and-copy
// subset), createStyleSheet, insertAdjacentElement/Text where missing, setCapture/
// releaseCapture, createPopup, execScript, external.AddFavorite, setHomePage, and the small
// members IE pages leaned on (removeNode, swapNode, replaceNode, document.frames, parentWindow,
// window.navigate, createElement("<tag ...>")).
compat.part('iedom', function () {
  var guard = function (fn) { return compat.guard('iedom', fn); };
  var counted = {};
  function countOnce(label) {
    if (!counted[label]) {
      counted[label] = true;
      compat.use(label);
    }
  }

  function define(object, name, value) {
    if (!(name in object))
      Object.defineProperty(object, name, { configurable: true, writable: true, value: value });
  }

  function copyText(text) {
    return compat.call('clipboard-set', { text: String(text) }) === '1';
  }

  // --- Text ranges -------------------------------------------------------------------------------

  function isTextBox(element) {
    return element && (element.tagName === 'TEXTAREA' ||
                       (element.tagName === 'INPUT' && /^(text|search|password|url|tel|email|)$/i.test(element.type)));
  }

  // A range over a text box's value, by character offsets.
  function BoxRange(box, start, end) {
    this.box = box;
    this.start = start;
    this.end = end;
  }
  BoxRange.prototype = {
    get text() { return this.box.value.slice(this.start, this.end); },
    set text(value) {
      var v = this.box.value;
      this.box.value = v.slice(0, this.start) + value + v.slice(this.end);
      this.end = this.start + String(value).length;
    },
    get htmlText() { return this.text; },
    select: function () {
      this.box.focus();
      this.box.setSelectionRange(this.start, this.end);
    },
    collapse: function (toStart) {
      if (toStart === false)
        this.start = this.end;
      else
        this.end = this.start;
    },
    move: function (unit, count) {
      var n = count === undefined ? 1 : Number(count);
      this.collapse(true);
      this.moveStart(unit, n);
      this.collapse(true);
      return n;
    },
    moveStart: function (unit, count) {
      var n = count === undefined ? 1 : Number(count);
      var length = this.box.value.length;
      this.start = Math.max(0, Math.min(length, this.start + (unit === 'textedit' ? (n < 0 ? -length : length) : n)));
      if (this.end < this.start)
        this.end = this.start;
      return n;
    },
    moveEnd: function (unit, count) {
      var n = count === undefined ? 1 : Number(count);
      var length = this.box.value.length;
      this.end = Math.max(0, Math.min(length, this.end + (unit === 'textedit' ? (n < 0 ? -length : length) : n)));
      if (this.start > this.end)
        this.start = this.end;
      return n;
    },
    duplicate: function () { return new BoxRange(this.box, this.start, this.end); },
    parentElement: function () { return this.box; },
    execCommand: function (command) { return rangeCommand(this, command); },
    queryCommandEnabled: function () { return true; },
    scrollIntoView: function () { this.box.scrollIntoView(); },
    isEqual: function (other) { return other && other.box === this.box && other.start === this.start && other.end === this.end; },
    inRange: function (other) { return other && other.box === this.box && other.start >= this.start && other.end <= this.end; },
    compareEndPoints: function (how, other) {
      var mine = /^start/i.test(how) ? this.start : this.end;
      var theirs = /tostart$/i.test(how) ? other.start : other.end;
      return mine < theirs ? -1 : mine > theirs ? 1 : 0;
    },
    findText: function (text) {
      var at = this.box.value.indexOf(String(text), this.start);
      if (at < 0 || at + String(text).length > this.end)
        return false;
      this.start = at;
      this.end = at + String(text).length;
      return true;
    },
    pasteHTML: function (html) { this.text = String(html).replace(/<[^>]*>/g, ''); },
    getBookmark: function () { return this.start + ':' + this.end; },
    moveToBookmark: function (mark) {
      var parts = String(mark).split(':');
      this.start = Number(parts[0]) || 0;
      this.end = Number(parts[1]) || 0;
      return true;
    }
  };

  // A range over the page's content.
  function PageRange(range) {
    this.range = range;
  }
  PageRange.prototype = {
    get text() { return this.range.toString(); },
    set text(value) {
      this.range.deleteContents();
      this.range.insertNode(document.createTextNode(String(value)));
    },
    get htmlText() {
      var holder = document.createElement('div');
      holder.appendChild(this.range.cloneContents());
      return holder.innerHTML;
    },
    get boundingLeft() { return this.range.getBoundingClientRect().left; },
    get boundingTop() { return this.range.getBoundingClientRect().top; },
    get boundingWidth() { return this.range.getBoundingClientRect().width; },
    get boundingHeight() { return this.range.getBoundingClientRect().height; },
    select: function () {
      var selection = window.getSelection();
      selection.removeAllRanges();
      selection.addRange(this.range.cloneRange());
    },
    moveToElementText: function (element) {
      if (isTextBox(element))
        return;
      this.range.selectNodeContents(element);
    },
    collapse: function (toStart) { this.range.collapse(toStart !== false); },
    expand: function () { return true; },
    duplicate: function () { return new PageRange(this.range.cloneRange()); },
    parentElement: function () {
      var node = this.range.commonAncestorContainer;
      return node.nodeType === 1 ? node : node.parentElement;
    },
    execCommand: function (command) { return rangeCommand(this, command); },
    queryCommandEnabled: function () { return true; },
    scrollIntoView: function () {
      var element = this.parentElement();
      if (element)
        element.scrollIntoView();
    },
    pasteHTML: function (html) {
      this.range.deleteContents();
      this.range.insertNode(this.range.createContextualFragment(String(html)));
    },
    findText: function (text) {
      var found = window.find && window.find(String(text));
      if (found)
        this.range = window.getSelection().getRangeAt(0).cloneRange();
      return !!found;
    },
    isEqual: function (other) {
      return other && other.range && this.range.compareBoundaryPoints(Range.START_TO_START, other.range) === 0 &&
             this.range.compareBoundaryPoints(Range.END_TO_END, other.range) === 0;
    },
    moveStart: function (unit, count) { return count; },
    moveEnd: function (unit, count) { return count; },
    getBookmark: function () { return ''; },
    moveToBookmark: function () { return false; }
  };

  function rangeCommand(range, command) {
    var name = String(command).toLowerCase();
    if (name === 'copy') {
      countOnce('execCommand Copy');
      return copyText(range.text);
    }
    if (name === 'cut') {
      var done = copyText(range.text);
      if (done)
        range.text = '';
      return done;
    }
    if (name === 'selectall') {
      range.select();
      return true;
    }
    range.select();
    return document.execCommand(command, false, arguments[2]);
  }

  function createTextRange() {
    countOnce('createTextRange');
    if (isTextBox(this))
      return new BoxRange(this, 0, this.value.length);
    var range = document.createRange();
    range.selectNodeContents(this.tagName === 'BODY' || this === document.body ? document.body : this);
    return new PageRange(range);
  }
  define(HTMLElement.prototype, 'createTextRange', guard(createTextRange));

  // document.selection: what is selected now, in the box that has it or on the page.
  var selection = {
    get type() {
      var box = document.activeElement;
      if (isTextBox(box))
        return box.selectionStart !== box.selectionEnd ? 'Text' : 'None';
      var own = window.getSelection();
      return own && own.rangeCount && !own.isCollapsed ? 'Text' : 'None';
    },
    get typeDetail() { return 'undefined'; },
    createRange: guard(function () {
      countOnce('document.selection');
      var box = document.activeElement;
      if (isTextBox(box))
        return new BoxRange(box, box.selectionStart, box.selectionEnd);
      var own = window.getSelection();
      var range = own && own.rangeCount ? own.getRangeAt(0).cloneRange() : document.createRange();
      return new PageRange(range);
    }),
    createRangeCollection: function () { return [selection.createRange()]; },
    empty: guard(function () {
      countOnce('document.selection');
      var box = document.activeElement;
      if (isTextBox(box))
        box.setSelectionRange(box.selectionEnd, box.selectionEnd);
      var own = window.getSelection();
      if (own)
        own.removeAllRanges();
    }),
    clear: guard(function () {
      var range = selection.createRange();
      range.text = '';
    })
  };
  if (!('selection' in Document.prototype)) {
    Object.defineProperty(Document.prototype, 'selection', {
      configurable: true,
      get: function () { return selection; },
      set: function (value) {
        Object.defineProperty(this, 'selection', { configurable: true, writable: true, value: value });
      }
    });
  }

  // --- Style sheets ------------------------------------------------------------------------------

  define(Document.prototype, 'createStyleSheet', guard(function (address, index) {
    countOnce('createStyleSheet');
    var element;
    if (address) {
      element = document.createElement('link');
      element.rel = 'stylesheet';
      element.href = String(address);
    } else {
      element = document.createElement('style');
    }
    var head = document.head || document.getElementsByTagName('head')[0] || document.documentElement;
    var sheets = head.querySelectorAll('style, link[rel~="stylesheet"]');
    var before = typeof index === 'number' && sheets[index] ? sheets[index] : null;
    head.insertBefore(element, before);
    return element.sheet;
  }));

  // IE's sheet.cssText: the whole text, read and written; rules added through IE's own calls go
  // through the element's text so the style translation sees them.
  if (!('cssText' in CSSStyleSheet.prototype)) {
    Object.defineProperty(CSSStyleSheet.prototype, 'cssText', {
      configurable: true,
      get: guard(function () {
        return Array.prototype.map.call(this.cssRules, function (rule) { return rule.cssText; }).join('\n');
      }),
      set: guard(function (value) {
        var owner = this.ownerNode;
        if (owner && owner.tagName === 'STYLE') {
          owner.textContent = String(value);
          return;
        }
        while (this.cssRules.length)
          this.deleteRule(0);
        String(value).replace(/[^{}]+\{[^}]*\}/g, function (rule) {
          try {
            this.insertRule(rule, this.cssRules.length);
          } catch (e) {
            // A rule today's engine cannot read, as IE skipped one it could not.
          }
          return rule;
        }.bind(this));
      })
    });
  }
  if (!('owningElement' in CSSStyleSheet.prototype)) {
    Object.defineProperty(CSSStyleSheet.prototype, 'owningElement', {
      configurable: true,
      get: function () { return this.ownerNode; }
    });
  }

  // --- Elements ----------------------------------------------------------------------------------

  define(Element.prototype, 'insertAdjacentElement', function (where, element) {
    var position = String(where).toLowerCase();
    if (position === 'beforebegin')
      return this.parentNode.insertBefore(element, this);
    if (position === 'afterbegin')
      return this.insertBefore(element, this.firstChild);
    if (position === 'beforeend')
      return this.appendChild(element);
    if (position === 'afterend')
      return this.parentNode.insertBefore(element, this.nextSibling);
    return null;
  });
  define(Element.prototype, 'insertAdjacentText', function (where, text) {
    this.insertAdjacentElement(where, document.createTextNode(String(text)));
  });

  define(Element.prototype, 'removeNode', guard(function (deep) {
    countOnce('removeNode');
    var parent = this.parentNode;
    if (!parent)
      return this;
    if (!deep) {
      while (this.firstChild)
        parent.insertBefore(this.firstChild, this);
    }
    parent.removeChild(this);
    return this;
  }));
  define(Element.prototype, 'replaceNode', guard(function (other) {
    if (this.parentNode)
      this.parentNode.replaceChild(other, this);
    return this;
  }));
  define(Element.prototype, 'swapNode', guard(function (other) {
    var marker = document.createComment('');
    this.parentNode.replaceChild(marker, this);
    other.parentNode.replaceChild(this, other);
    marker.parentNode.replaceChild(other, marker);
    return this;
  }));

  // Mouse capture: every mouse event of the page goes to the element until released.
  var captured = null;
  var forwarding = false;
  var mouseTypes = ['mousemove', 'mousedown', 'mouseup', 'click', 'dblclick', 'mouseover', 'mouseout'];
  var forward = function (event) {
    if (!captured || forwarding || event.target === captured || captured.contains(event.target))
      return;
    event.stopPropagation();
    var copy = new MouseEvent(event.type, event);
    // The element under the pointer stays the event's source, as in IE.
    Object.defineProperty(copy, 'srcElement', { value: event.target });
    forwarding = true;
    try {
      captured.dispatchEvent(copy);
    } finally {
      forwarding = false;
    }
    if (copy.defaultPrevented)
      event.preventDefault();
  };
  define(Element.prototype, 'setCapture', guard(function () {
    countOnce('setCapture');
    if (!captured)
      mouseTypes.forEach(function (type) { window.addEventListener(type, forward, true); });
    captured = this;
  }));
  define(Element.prototype, 'releaseCapture', guard(function () {
    if (captured === this)
      document.releaseCapture();
  }));
  define(Document.prototype, 'releaseCapture', guard(function () {
    if (!captured)
      return;
    var element = captured;
    captured = null;
    mouseTypes.forEach(function (type) { window.removeEventListener(type, forward, true); });
    compat.fireOwnEvent(element, 'losecapture');
  }));

  // document.createElement("<input name='x' type='radio'>"): IE's way to give a new element its
  // attributes at once.
  var nativeCreate = Document.prototype.createElement;
  Document.prototype.createElement = function (tag) {
    if (typeof tag === 'string' && /^\s*</.test(tag)) {
      var holder = nativeCreate.call(this, 'div');
      holder.innerHTML = tag.replace(/\/?>\s*$/, '>');
      if (holder.firstElementChild)
        return holder.removeChild(holder.firstElementChild);
    }
    return nativeCreate.apply(this, arguments);
  };

  // --- The window ------------------------------------------------------------------------------------

  if (!('frames' in Document.prototype)) {
    Object.defineProperty(Document.prototype, 'frames', {
      configurable: true,
      get: function () {
        var win = this.defaultView || window;
        return new Proxy(function (key) { return win.frames[key]; }, {
          get: function (target, name) {
            if (name === 'item')
              return function (key) { return win.frames[key]; };
            return win.frames[name];
          }
        });
      }
    });
  }
  if (!('parentWindow' in Document.prototype)) {
    Object.defineProperty(Document.prototype, 'parentWindow', {
      configurable: true,
      get: function () { return this.defaultView; }
    });
  }
  define(window, 'navigate', function (address) {
    window.location.href = String(address);
  });

  // execScript runs its text in the page's global scope; what it throws is the page's own.
  define(window, 'execScript', function (code, language) {
    countOnce('execScript');
    if (/^vb/i.test(String(language || '')) && compat.vbscript && compat.vbscript.run)
      return compat.vbscript.run(String(code));
    (0, eval)(String(code));
    return null;
  });

  // external.AddFavorite: the program keeps no favourites; the console says the page asked.
  if (window.external && !('AddFavorite' in window.external)) {
    var favourite = function () { compat.use('external.AddFavorite'); };
    try {
      Object.defineProperty(window.external, 'AddFavorite', { configurable: true, writable: true, value: favourite });
      Object.defineProperty(window.external, 'addFavorite', { configurable: true, writable: true, value: favourite });
    } catch (e) {
      // An engine whose external object is sealed keeps it.
    }
  }

  // The homepage behavior's setHomePage: the program has no home page to set; the console says
  // the page asked. isHomePage: never.
  define(Element.prototype, 'setHomePage', function () { compat.use('setHomePage'); });
  define(Element.prototype, 'isHomePage', function () { return false; });

  // --- createPopup --------------------------------------------------------------------------------

  define(window, 'createPopup', guard(function () {
    countOnce('createPopup');
    var frame = document.createElement('iframe');
    var style = frame.style;
    style.position = 'fixed';
    style.border = '0';
    style.zIndex = '2147483647';
    style.display = 'none';
    style.background = 'white';
    (document.body || document.documentElement).appendChild(frame);
    var doc = frame.contentDocument;
    doc.open();
    doc.write('<!DOCTYPE html><html><head><style>html, body { margin: 0; overflow: hidden; }</style></head><body></body></html>');
    doc.close();
    var popup = { document: doc, isOpen: false };
    var outside = function (event) {
      if (event.target !== frame)
        popup.hide();
    };
    popup.show = guard(function (x, y, width, height, anchor) {
      var left = Number(x) || 0;
      var top = Number(y) || 0;
      if (anchor && anchor.getBoundingClientRect) {
        var box = anchor.getBoundingClientRect();
        left += box.left;
        top += box.top;
      } else {
        left -= window.screenX;
        top -= window.screenY;
      }
      style.left = Math.max(0, Math.min(left, window.innerWidth - (Number(width) || 0))) + 'px';
      style.top = Math.max(0, Math.min(top, window.innerHeight - (Number(height) || 0))) + 'px';
      style.width = (Number(width) || 0) + 'px';
      style.height = (Number(height) || 0) + 'px';
      style.display = 'block';
      if (!popup.isOpen)
        setTimeout(function () { document.addEventListener('mousedown', outside, true); }, 0);
      popup.isOpen = true;
    });
    popup.hide = guard(function () {
      style.display = 'none';
      popup.isOpen = false;
      document.removeEventListener('mousedown', outside, true);
    });
    return popup;
  }));
});
