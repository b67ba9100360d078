// Internet Explorer's style extras: currentStyle, runtimeStyle, style.pixel*/pos*, styleFloat,
// the style object's get/set/removeAttribute, and cursor: hand. It also carries what the filters
// part builds on: IE declarations in style sheets, style attributes and script assignments turned
// into standard CSS, once per sheet, through translators the parts register by property name.
compat.part('iestyle', function () {
  var guard = function (fn) { return compat.guard('iestyle', fn); };
  // Quirks mode parses cursor: hand itself; only standards mode needs it translated. The mode is
  // known once the doctype is parsed, which is after this runs.
  function needsHand() {
    return document.compatMode === 'CSS1Compat';
  }

  // property -> function (value, source) returning {cssName: value, ...}, or null when it is no
  // IE value; source is the whole text the declaration came from (a sheet, a style attribute).
  var translators = {};
  // property -> function (declaration, element, value) run instead of the engine's setter.
  var setHooks = {};
  // property -> function (declaration, element) run instead of the engine's getter.
  var getHooks = {};

  var hooks = (compat.styleHooks = {
    translators: translators,
    setHooks: setHooks,
    getHooks: getHooks,
    translate: translate,
    applyInline: applyInline,
    syncStyles: syncStyles
  });

  translators.cursor = function (value) {
    if (!/^\s*hand\s*(!\s*important\s*)?$/i.test(value) || !needsHand())
      return null;
    compat.use('cursor: hand');
    return { cursor: 'pointer' };
  };

  // IE6 read `_name` and `*name` too; pages used them to give IE alone a value.
  function propertyName(raw) {
    return raw.replace(/^[\s*_]+/, '').trim().toLowerCase();
  }

  function translate(property, value, source) {
    var translator = translators[property];
    if (!translator)
      return null;
    value = value.replace(/!\s*important\s*$/i, '').trim();
    if (property === '-ms-filter')
      value = value.replace(/^(["'])(.*)\1$/, '$2');
    return translator(value, source === undefined ? value : source);
  }
  translators['-ms-filter'] = function (value, source) {
    return translators.filter ? translators.filter(value, source) : null;
  };

  // --- Reading CSS text ---------------------------------------------------------------------

  function withoutComments(text) {
    var out = '';
    var i = 0;
    while (i < text.length) {
      var c = text[i];
      if (c === '/' && text[i + 1] === '*') {
        var end = text.indexOf('*/', i + 2);
        i = end < 0 ? text.length : end + 2;
        out += ' ';
      } else if (c === '"' || c === "'") {
        var j = skipString(text, i);
        out += text.slice(i, j);
        i = j;
      } else {
        out += c;
        ++i;
      }
    }
    return out;
  }

  function skipString(text, i) {
    var quote = text[i];
    for (++i; i < text.length; ++i) {
      if (text[i] === '\\')
        ++i;
      else if (text[i] === quote)
        return i + 1;
    }
    return text.length;
  }

  // Index just past the block that opens at text[i] ('{'), or the text's end.
  function skipBlock(text, i) {
    var depth = 0;
    for (; i < text.length; ++i) {
      var c = text[i];
      if (c === '"' || c === "'")
        i = skipString(text, i) - 1;
      else if (c === '{')
        ++depth;
      else if (c === '}' && --depth === 0)
        return i + 1;
    }
    return text.length;
  }

  // Splits "a: b; c: d(e;f)" into [[name, value]], minding strings and parentheses.
  function declarations(text) {
    var list = [];
    var start = 0;
    var depth = 0;
    for (var i = 0; i <= text.length; ++i) {
      var c = text[i];
      if (c === '"' || c === "'") {
        i = skipString(text, i) - 1;
      } else if (c === '(') {
        ++depth;
      } else if (c === ')') {
        depth = Math.max(0, depth - 1);
      } else if ((c === ';' && depth === 0) || i === text.length) {
        var part = text.slice(start, i);
        var colon = part.indexOf(':');
        if (colon > 0)
          list.push([part.slice(0, colon), part.slice(colon + 1)]);
        start = i + 1;
      }
    }
    return list;
  }

  function cssText(map) {
    var text = '';
    for (var name in map)
      text += name + ':' + map[name] + ';';
    return text;
  }

  // The standard declarations for IE's among `block`, or ''.
  function translateBlock(block, source) {
    var out = '';
    declarations(block).forEach(function (pair) {
      var map = translate(propertyName(pair[0]), pair[1], source);
      if (map)
        out += cssText(map);
    });
    return out;
  }

  // The rules of `text` rewritten into standard CSS, only those that had IE declarations; the
  // addresses its @import rules name go to `imports`.
  function rewriteRules(text, imports, source) {
    var out = '';
    var i = 0;
    while (i < text.length) {
      var open = text.indexOf('{', i);
      var semi = text.indexOf(';', i);
      var close = text.indexOf('}', i);
      if (text[i] === '}' || /\s/.test(text[i])) {
        ++i;
        continue;
      }
      var atRule = text[i] === '@';
      if (atRule && semi >= 0 && (open < 0 || semi < open)) {
        var statement = text.slice(i, semi);
        var found = /^@import\s+(?:url\(\s*)?["']?([^"')\s;]+)/i.exec(statement);
        if (found && imports)
          imports.push(found[1]);
        i = semi + 1;
        continue;
      }
      if (open < 0 || (close >= 0 && close < open))
        break;
      var prelude = text.slice(i, open).trim();
      var end = skipBlock(text, open);
      var inner = text.slice(open + 1, end - 1);
      if (atRule) {
        if (/^@(media|supports)\b/i.test(prelude)) {
          var nested = rewriteRules(inner, null, source);
          if (nested)
            out += prelude + '{' + nested + '}';
        }
      } else {
        var translated = translateBlock(inner, source);
        if (translated)
          out += prelude + '{' + translated + '}';
      }
      i = end;
    }
    return out;
  }

  var mentionsIe = /filter|hand/i;

  // --- Style sheets ---------------------------------------------------------------------------

  var sheetsOf = new WeakMap(); // <style> or <link> -> CSSStyleSheet of ours
  var sourceText = new WeakMap(); // <style> -> the text last rewritten

  function adopt(source, text) {
    var sheet = sheetsOf.get(source);
    if (!sheet) {
      if (!text)
        return;
      sheet = new CSSStyleSheet();
      sheetsOf.set(source, sheet);
      document.adoptedStyleSheets = document.adoptedStyleSheets.concat([sheet]);
    }
    sheet.replaceSync(text);
  }

  function load(address, done) {
    var stored = compat.storedText(address);
    if (stored !== null) {
      done(stored);
      return;
    }
    var request = new XMLHttpRequest();
    request.open('GET', address);
    request.overrideMimeType('text/css; charset=windows-1251');
    request.onload = guard(function () {
      if (request.status === 200 || (request.status === 0 && request.responseText))
        done(request.responseText);
    });
    request.send();
  }

  // Rewrites `text` (from `base`) and what it imports, then hands the whole to `done`.
  function rewriteSheet(text, base, depth, done) {
    var imports = [];
    var own = mentionsIe.test(text) ? rewriteRules(withoutComments(text), imports, text) : '';
    if (!imports.length && !/@import/i.test(text)) {
      done(own);
      return;
    }
    if (!imports.length)
      rewriteRules(withoutComments(text), imports, text);
    var parts = new Array(imports.length);
    var waiting = imports.length;
    if (depth > 3 || !waiting) {
      done(own);
      return;
    }
    imports.forEach(function (address, index) {
      var url = new URL(address, base).href;
      load(url, function (imported) {
        rewriteSheet(imported, url, depth + 1, function (rewritten) {
          parts[index] = rewritten;
          if (--waiting === 0)
            done(parts.join('') + own);
        });
      });
    });
  }

  function processStyle(style) {
    var text = style.textContent;
    if (sourceText.get(style) === text)
      return;
    sourceText.set(style, text);
    if (!mentionsIe.test(text) && !/@import/i.test(text) && !sheetsOf.has(style))
      return;
    rewriteSheet(text, document.baseURI, 0, function (rewritten) { adopt(style, rewritten); });
  }

  function processLink(link) {
    if (sourceText.get(link) === link.href || !/(^|\s)stylesheet(\s|$)/i.test(link.rel) || !link.href)
      return;
    sourceText.set(link, link.href);
    var href = link.href;
    load(href, function (text) {
      rewriteSheet(text, href, 0, function (rewritten) { adopt(link, rewritten); });
    });
  }

  // --- Style attributes -----------------------------------------------------------------------

  var nativeStyle = Object.getOwnPropertyDescriptor(HTMLElement.prototype, 'style');
  function rawStyle(element) {
    return nativeStyle.get.call(element);
  }

  // element -> {property: [css names we set for it]}
  var inlineSets = new WeakMap();
  // element -> its style attribute as last seen
  var attributeText = new WeakMap();

  // Applies IE's `value` for `property` to the element's own style; what an earlier value of
  // that property set and this one does not is cleared. False when it is no IE value.
  function applyInline(element, property, value, source) {
    var map = value === '' ? {} : translate(property, value, source);
    if (!map)
      return false;
    var declaration = rawStyle(element);
    var sets = inlineSets.get(element);
    if (!sets)
      inlineSets.set(element, (sets = {}));
    (sets[property] || []).forEach(function (name) {
      if (!(name in map))
        declaration.removeProperty(name);
    });
    sets[property] = Object.keys(map);
    for (var name in map)
      declaration.setProperty(name, map[name]);
    // What we wrote is no new IE text to translate.
    attributeText.set(element, element.getAttribute('style'));
    return true;
  }

  function processAttribute(element, text) {
    if (text === null || text === undefined || attributeText.get(element) === text)
      return;
    attributeText.set(element, text);
    if (!mentionsIe.test(text))
      return;
    declarations(text).forEach(function (pair) {
      var property = propertyName(pair[0]);
      if (translators[property])
        applyInline(element, property, pair[1], text);
    });
  }

  function processElement(element) {
    var tag = element.tagName;
    if (tag === 'STYLE')
      processStyle(element);
    else if (tag === 'LINK')
      processLink(element);
    if (element.hasAttribute('style'))
      processAttribute(element, element.getAttribute('style'));
  }

  var wanted = 'style, link, [style]';
  function processTree(root) {
    if (root.nodeType !== 1)
      return;
    processElement(root);
    if (root.firstElementChild) {
      var found = root.querySelectorAll(wanted);
      for (var i = 0; i < found.length; ++i)
        processElement(found[i]);
    }
  }

  // Everything the parser has added so far; also what a part calls before it reads styles.
  function syncStyles() {
    var found = document.querySelectorAll(wanted);
    for (var i = 0; i < found.length; ++i)
      processElement(found[i]);
  }

  // While the page is parsed only its head is watched (its style sheets come before the first
  // paint; the body's are read once, when it is parsed, and before a part reads a style); after
  // that every insertion of a script's arrives as one subtree.
  function watch(records) {
    for (var r = 0; r < records.length; ++r) {
      var record = records[r];
      var target = record.target;
      if (target.nodeType === 1 && target.tagName === 'STYLE')
        processStyle(target);
      var added = record.addedNodes;
      for (var i = 0; i < added.length; ++i) {
        var node = added[i];
        if (node.nodeType !== 1)
          continue;
        if (parsing) {
          processElement(node);
          if (node.tagName === 'HTML' || node.tagName === 'HEAD')
            observer.observe(node, { childList: true, subtree: node.tagName === 'HEAD' });
        } else {
          processTree(node);
        }
      }
    }
  }
  var parsing = document.readyState === 'loading';
  var observer = new MutationObserver(guard(watch));
  if (parsing) {
    observer.observe(document, { childList: true });
    // Linked from a saved page's head, the layer comes after the document's start.
    if (document.documentElement)
      observer.observe(document.documentElement, { childList: true });
    if (document.head) {
      observer.observe(document.head, { childList: true, subtree: true });
      processTree(document.head);
    }
    document.addEventListener('DOMContentLoaded', guard(function () {
      watch(observer.takeRecords());
      observer.disconnect();
      parsing = false;
      syncStyles();
      observer.observe(document, { childList: true, subtree: true });
    }));
  } else {
    syncStyles();
    observer.observe(document, { childList: true, subtree: true });
  }

  // --- The style object ------------------------------------------------------------------------

  var lengths = /^(left|top|right|bottom|(min|max)?(width|height)|(margin|padding)(Left|Top|Right|Bottom)?|fontSize|textIndent|letterSpacing|wordSpacing|border(Left|Top|Right|Bottom)?Width)$/;
  var views = new WeakMap();
  var ownerOf = new WeakMap(); // declaration -> its element, for style.setAttribute
  function styleView(element, declaration) {
    var view = views.get(element);
    if (view && view.declaration === declaration)
      return view.proxy;
    var bound = {};
    var proxy = new Proxy(declaration, {
      get: function (target, name) {
        var hook = getHooks[name];
        if (hook)
          return hook(target, element);
        var value = target[name];
        if (typeof value !== 'function')
          return value;
        return bound[name] || (bound[name] = value.bind(target));
      },
      set: function (target, name, value) {
        var hook = setHooks[name];
        if (hook && hook(target, element, value))
          return true;
        // IE took a bare number as pixels in any mode; today's engine only in quirks mode.
        if (lengths.test(name) && (typeof value === 'number' || /^\s*-?[0-9.]+\s*$/.test(value)) &&
            document.compatMode === 'CSS1Compat')
          value = parseFloat(value) + 'px';
        target[name] = value;
        return true;
      }
    });
    views.set(element, { declaration: declaration, proxy: proxy });
    ownerOf.set(declaration, element);
    return proxy;
  }

  if (nativeStyle && nativeStyle.get) {
    Object.defineProperty(HTMLElement.prototype, 'style', {
      configurable: true,
      enumerable: nativeStyle.enumerable,
      get: function () {
        var declaration = nativeStyle.get.call(this);
        try {
          // The attribute's IE values, before the page's first change rewrites the attribute.
          if (!attributeText.has(this) && this.hasAttribute('style'))
            processAttribute(this, this.getAttribute('style'));
          return styleView(this, declaration);
        } catch (e) {
          return declaration;
        }
      },
      set: function (value) {
        this.style.cssText = value;
      }
    });
  }

  // A hook returns true when it has done the whole assignment itself.
  setHooks.cursor = guard(function (target, element, value) {
    return applyInline(element, 'cursor', String(value));
  });
  setHooks.cssText = guard(function (target, element, value) {
    var text = String(value);
    target.cssText = text;
    attributeText.delete(element);
    inlineSets.delete(element);
    processAttribute(element, text);
    return true;
  });

  var nativeSetAttribute = Element.prototype.setAttribute;
  Element.prototype.setAttribute = function (name, value) {
    var result = nativeSetAttribute.apply(this, arguments);
    if (String(name).toLowerCase() === 'style' && this instanceof HTMLElement)
      guard(function (element) {
        inlineSets.delete(element);
        processAttribute(element, String(value));
      })(this);
    return result;
  };

  // --- IE's extra members ------------------------------------------------------------------------

  function define(object, name, descriptor) {
    if (name in object)
      return;
    descriptor.configurable = true;
    Object.defineProperty(object, name, descriptor);
  }

  var styleProto = CSSStyleDeclaration.prototype;
  var counted = {};
  function countOnce(label) {
    if (!counted[label]) {
      counted[label] = true;
      compat.use(label);
    }
  }

  // Lengths in pixels from a value as written; what needs the element to resolve (em, %) is
  // taken at its number, as the value cannot name its element.
  var unitPixels = { px: 1, pt: 4 / 3, pc: 16, in: 96, cm: 96 / 2.54, mm: 96 / 25.4 };
  function pixels(text) {
    var found = /^\s*(-?[0-9.]+)\s*([a-z%]*)/i.exec(String(text));
    if (!found)
      return 0;
    var factor = unitPixels[found[2].toLowerCase()] || 1;
    return Math.round(parseFloat(found[1]) * factor) || 0;
  }

  ['Left', 'Top', 'Width', 'Height', 'Right', 'Bottom'].forEach(function (side) {
    var name = side.toLowerCase();
    define(styleProto, 'pixel' + side, {
      get: guard(function () {
        countOnce('pixel' + side);
        return pixels(this[name]);
      }),
      set: guard(function (value) {
        countOnce('pixel' + side);
        this[name] = (parseInt(value, 10) || 0) + 'px';
      })
    });
    define(styleProto, 'pos' + side, {
      get: guard(function () {
        countOnce('pos' + side);
        return parseFloat(this[name]) || 0;
      }),
      set: guard(function (value) {
        countOnce('pos' + side);
        var unit = /[a-z%]+\s*$/i.exec(String(this[name]));
        this[name] = (parseFloat(value) || 0) + (unit ? unit[0].trim() : 'px');
      })
    });
  });

  define(styleProto, 'styleFloat', {
    get: function () { return this.cssFloat; },
    set: function (value) { this.cssFloat = value; }
  });

  function camel(name) {
    return String(name).replace(/-([a-z])/g, function (m, c) { return c.toUpperCase(); });
  }
  define(styleProto, 'getAttribute', {
    writable: true,
    value: guard(function (name) { return this[camel(name)]; })
  });
  define(styleProto, 'setAttribute', {
    writable: true,
    value: function (name, value) {
      // Through the element's style, so the hooks see it.
      var key = camel(name);
      var element = ownerOf.get(this);
      if (element)
        element.style[key] = value;
      else
        this[key] = value;
    }
  });
  define(styleProto, 'removeAttribute', {
    writable: true,
    value: guard(function (name) {
      var key = camel(name);
      var had = this[key] !== '';
      this[key] = '';
      return had;
    })
  });

  function hexColour(value) {
    var found = /^rgba?\((\d+),\s*(\d+),\s*(\d+)(?:,\s*([0-9.]+))?\)$/.exec(value);
    if (!found)
      return value;
    if (found[4] !== undefined && parseFloat(found[4]) === 0)
      return 'transparent';
    return '#' + [found[1], found[2], found[3]].map(function (n) {
      return ('0' + Number(n).toString(16)).slice(-2);
    }).join('');
  }

  // currentStyle: the engine's computed style, colours as IE wrote them and IE's names.
  var currentViews = new WeakMap();
  define(Element.prototype, 'currentStyle', {
    get: guard(function () {
      if (document.readyState === 'loading')
        syncStyles();
      var view = currentViews.get(this);
      if (view)
        return view;
      countOnce('currentStyle');
      var element = this;
      var computed = getComputedStyle(element);
      var read = function (name) {
        if (name === 'styleFloat')
          name = 'cssFloat';
        if (name === 'hasLayout')
          return true;
        var hook = getHooks[name];
        if (hook)
          return hook(computed, element, true);
        var value = computed[name];
        if (typeof value === 'string' && /color$/i.test(name))
          return hexColour(value);
        return value;
      };
      view = new Proxy(computed, {
        get: guard(function (target, name) {
          if (name === 'getAttribute')
            return function (attribute) { return read(camel(attribute)); };
          if (typeof name !== 'string')
            return target[name];
          var value = read(name);
          return typeof value === 'function' ? value.bind(target) : value;
        }),
        set: function () { return true; }
      });
      currentViews.set(this, view);
      return view;
    })
  });

  // runtimeStyle: values that win over the style sheets and the element's own style, kept apart
  // so that reading it, or the element's style, gives what was set on each. They live in a sheet
  // of ours, as !important rules for the element alone.
  var runtimeViews = new WeakMap();
  var runtimeSheet = null;
  var runtimeCount = 0;
  function runtimeRule(element) {
    if (!runtimeSheet) {
      runtimeSheet = new CSSStyleSheet();
      document.adoptedStyleSheets = document.adoptedStyleSheets.concat([runtimeSheet]);
    }
    var key = String(++runtimeCount);
    element.setAttribute('data-corvane-runtime', key);
    runtimeSheet.insertRule('[data-corvane-runtime="' + key + '"] {}', runtimeSheet.cssRules.length);
    return runtimeSheet.cssRules[runtimeSheet.cssRules.length - 1].style;
  }
  function cssName(name) {
    return name === 'styleFloat' || name === 'cssFloat'
             ? 'float'
             : String(name).replace(/[A-Z]/g, function (c) { return '-' + c.toLowerCase(); });
  }
  define(Element.prototype, 'runtimeStyle', {
    get: guard(function () {
      var view = runtimeViews.get(this);
      if (view)
        return view;
      countOnce('runtimeStyle');
      var element = this;
      var values = {};
      var rule = null;
      view = new Proxy(values, {
        get: function (target, name) {
          if (name === 'cssText')
            return Object.keys(values).map(function (key) { return cssName(key) + ': ' + values[key]; }).join('; ');
          if (typeof name !== 'string')
            return undefined;
          return Object.prototype.hasOwnProperty.call(values, name) ? values[name] : '';
        },
        set: guard(function (target, name, value) {
          var text = value === null || value === undefined ? '' : String(value);
          if (!rule)
            rule = runtimeRule(element);
          if (text === '') {
            delete values[name];
            rule.removeProperty(cssName(name));
            return true;
          }
          values[name] = text;
          var map = translate(name === 'filter' ? 'filter' : cssName(name), text);
          if (!map) {
            map = {};
            map[cssName(name)] = text;
          }
          for (var key in map)
            rule.setProperty(key, map[key], 'important');
          return true;
        })
      });
      runtimeViews.set(this, view);
      return view;
    })
  });
});
