// Internet Explorer's behaviors: `behavior: url(x.htc)` in style sheets and style attributes binds
// the component file's properties, methods, events and script to every element that matches, now
// and later. HTML+TIME and VML are named in the console, not run.
compat.part('behaviors', function () {
  'use strict';

  var win = window;
  var doc = win.document;
  var told = new Set();

  // A line of the layer's in the console, once per text.
  function note(text) {
    if (told.has(text)) return;
    told.add(text);
    compat.note('Поведения', text);
  }

  function readable(url) {
    try {
      return decodeURI(String(url));
    } catch (e) {
      return String(url);
    }
  }
  function fileName(url) {
    return readable(String(url).replace(/[?#].*$/, '').replace(/^.*\//, ''));
  }

  // The folder of the page: a component must come from it or from a folder below it.
  function pageFolder() {
    return doc.URL.replace(/[?#].*$/, '').replace(/[^/]*$/, '');
  }

  // ---------------------------------------------------------------- reading files

  // A file's text as the host gave it (compat.options.files, by its path from the page's folder,
  // as a page saved with its files has them); null when it gave none.
  function givenFile(url) {
    var files = compat.options && compat.options.files;
    if (!files) return null;
    var folder = pageFolder();
    var key = url.indexOf(folder) === 0 ? readable(url.slice(folder.length)) : url;
    if (Object.prototype.hasOwnProperty.call(files, key)) return String(files[key]);
    return Object.prototype.hasOwnProperty.call(files, url) ? String(files[url]) : null;
  }

  // Text of a file the page names: from what the host gave, else read; cb(text) or cb(null).
  function readFile(url, cb) {
    var given = givenFile(url);
    if (given !== null) return cb(given);
    var xhr = new XMLHttpRequest();
    try {
      xhr.open('GET', url, true);
      xhr.overrideMimeType('text/plain; charset=' + (doc.characterSet || 'windows-1251'));
    } catch (e) {
      return cb(null);
    }
    xhr.onload = compat.guard('behaviors', function () {
      var ok = xhr.status === 0 ? xhr.responseText.length > 0 : xhr.status >= 200 && xhr.status < 300;
      cb(ok ? xhr.responseText : null);
    });
    xhr.onerror = compat.guard('behaviors', function () {
      cb(null);
    });
    xhr.send();
  }

  // ---------------------------------------------------------------- style sheets

  // Rules that bind behaviors: {selector, urls} from the text of a style sheet.
  var rules = [];
  var BEHAVIOR = /(?:^|[;{\s])behavior\s*:\s*([^;}]*)/i;
  var URLS = /url\(\s*(['"]?)([^'")]*)\1\s*\)/gi;

  function behaviorUrls(value, base) {
    var out = [];
    var m;
    URLS.lastIndex = 0;
    while ((m = URLS.exec(value))) out.push(m[2].charAt(0) === '#' ? m[2] : new URL(m[2], base).href);
    return out;
  }

  function readSheet(text, base, depth) {
    var css = text.replace(/\/\*[\s\S]*?\*\//g, '');
    var imp = /@import\s+(?:url\(\s*)?(['"]?)([^'")\s;]+)\1\s*\)?[^;]*;/gi;
    var m;
    while ((m = imp.exec(css)) && depth < 4) {
      var url = new URL(m[2], base).href;
      readFile(url, function (t) {
        if (t !== null) readSheet(t, url, depth + 1);
      });
    }
    var rule = /([^{}]*)\{([^{}]*)\}/g;
    var found = false;
    while ((m = rule.exec(css))) {
      var b = BEHAVIOR.exec(';' + m[2]);
      if (!b) continue;
      var selector = m[1].replace(/@media[^{]*$/i, '').replace(/^\s+|\s+$/g, '');
      if (!selector || selector.charAt(0) === '@') continue;
      rules.push({ selector: selector, urls: behaviorUrls(b[1], base) });
      found = true;
    }
    if (found) applyRules(doc);
  }

  // Style sheets are read once the page is parsed (a <style> is whole then), and later ones as
  // they come.
  var sheetsSeen = new WeakSet();
  function seeSheet(el) {
    if (!ready || sheetsSeen.has(el)) return;
    if (el.localName === 'style') {
      sheetsSeen.add(el);
      readSheet(el.textContent || '', doc.baseURI, 0);
    } else if (el.localName === 'link' && /(^|\s)stylesheet(\s|$)/i.test(el.rel || '') && el.href) {
      sheetsSeen.add(el);
      var url = el.href;
      readFile(url, function (t) {
        if (t !== null) readSheet(t, url, 1);
      });
    }
  }

  // ---------------------------------------------------------------- finding elements

  var ready = false;
  var noted = { time: false, vml: false, imported: false };

  function applyRules(root) {
    for (var i = 0; i < rules.length; i++) {
      var r = rules[i];
      var list;
      try {
        list = root.querySelectorAll(r.selector);
      } catch (e) {
        continue;
      }
      for (var j = 0; j < list.length; j++) for (var k = 0; k < r.urls.length; k++) attach(list[j], r.urls[k]);
    }
  }

  function seeElement(el) {
    var name = el.localName;
    if (name === 'style' || name === 'link') seeSheet(el);
    if (name.indexOf(':') > 0) seePrefixed(name);
    var style = el.getAttribute('style');
    if (style) {
      var b = BEHAVIOR.exec(';' + style);
      if (b) {
        var urls = behaviorUrls(b[1], doc.baseURI);
        for (var i = 0; i < urls.length; i++) attach(el, urls[i]);
      }
    }
    if (ready) {
      for (var j = 0; j < rules.length; j++) {
        var m;
        try {
          m = el.matches(rules[j].selector);
        } catch (e) {
          m = false;
        }
        if (m) for (var k = 0; k < rules[j].urls.length; k++) attach(el, rules[j].urls[k]);
      }
    }
  }

  function seePrefixed(name) {
    var prefix = name.slice(0, name.indexOf(':'));
    if (prefix === 't' && !noted.time) {
      noted.time = true;
      note('HTML+TIME (елементи ' + name + ' и подобни) не се изпълнява в днешните браузъри');
    } else if (prefix === 'v' && !noted.vml) {
      noted.vml = true;
      note('VML (елементи ' + name + ' и подобни) не се изпълнява в днешните браузъри');
    }
  }

  function visit(node) {
    if (node.nodeType === 7 && /^import\b/i.test(node.nodeName + ' ' + node.data) && !noted.imported) {
      noted.imported = true;
      note('<?import> (поведения на елементи) не се изпълнява');
    }
    if (node.nodeType !== 1) return;
    seeElement(node);
    if (!node.firstElementChild) return;
    var all = node.getElementsByTagName('*');
    for (var i = 0; i < all.length; i++) seeElement(all[i]);
  }

  // ---------------------------------------------------------------- components

  var components = new Map(); // url -> {state: 'loading'|'ready'|'bad', def, waiting: [el]}
  var bound = new WeakMap(); // element -> Set of urls
  var nextId = 1;

  function attach(el, url) {
    var set = bound.get(el);
    if (!set) {
      set = new Set();
      bound.set(el, set);
    }
    if (set.has(url)) return 0;
    set.add(url);
    if (url.charAt(0) === '#') {
      builtIn(url);
      return 0;
    }
    if (url.indexOf(pageFolder()) !== 0) {
      note('„' + readable(url) + '“ е извън папката на страницата и не се зарежда');
      return 0;
    }
    var c = components.get(url);
    if (!c) {
      c = { state: 'loading', def: null, waiting: [] };
      components.set(url, c);
      readFile(url, function (text) {
        load(c, url, text);
      });
    }
    var id = nextId++;
    if (c.state === 'ready') bind(el, c.def, id);
    else if (c.state === 'loading') c.waiting.push({ el: el, id: id });
    return id;
  }

  function builtIn(url) {
    var what = url.slice(url.lastIndexOf('#') + 1).toLowerCase();
    if (what === 'time' || what === 'time2') {
      if (!noted.time) note('HTML+TIME (behavior:url(' + url + ')) не се изпълнява в днешните браузъри');
      noted.time = true;
    } else if (what === 'vml') {
      if (!noted.vml) note('VML (behavior:url(' + url + ')) не се изпълнява в днешните браузъри');
      noted.vml = true;
    } else note('вграденото поведение ' + url + ' не се изпълнява в днешните браузъри');
  }

  function load(c, url, text) {
    if (text === null) {
      c.state = 'bad';
      note('„' + fileName(url) + '“ не е намерен');
      return;
    }
    var def = parseComponent(text, url);
    if (!def) {
      c.state = 'bad';
      note('„' + fileName(url) + '“ не е компонент (в него няма PUBLIC:)');
      return;
    }
    c.def = def;
    c.state = 'ready';
    var list = c.waiting;
    c.waiting = [];
    for (var i = 0; i < list.length; i++) bind(list[i].el, def, list[i].id);
  }

  // What a component file declares. Its elements may be written <PUBLIC:X ... /> or <X>.
  var KINDS = ['component', 'attach', 'property', 'method', 'event', 'defaults'];
  function kindOf(el) {
    var n = el.localName;
    var colon = n.indexOf(':');
    var kind = colon < 0 ? n : n.slice(colon + 1);
    if (colon >= 0 && n.slice(0, colon) !== 'public') return null;
    return KINDS.indexOf(kind) >= 0 ? kind : null;
  }

  function parseComponent(text, url) {
    if (!/<\s*public\s*:/i.test(text)) return null;
    var parsed = new DOMParser().parseFromString(text, 'text/html');
    var def = { url: url, attach: [], property: [], method: [], event: [], scripts: [], language: null };
    var all = parsed.getElementsByTagName('*');
    for (var i = 0; i < all.length; i++) {
      var el = all[i];
      if (el.localName === 'script') {
        var lang = (el.getAttribute('language') || el.getAttribute('type') || 'jscript').toLowerCase();
        var vb = /vbs/.test(lang);
        if (def.language === null) def.language = vb ? 'vb' : 'js';
        def.scripts.push({ vb: vb, text: el.textContent, line: lineOf(text, el.textContent) });
        continue;
      }
      var kind = kindOf(el);
      if (!kind || kind === 'component' || kind === 'defaults') continue;
      def[kind].push(attributes(el));
    }
    if (def.language === null) def.language = 'js';
    return def;
  }

  function attributes(el) {
    var out = {};
    for (var i = 0; i < el.attributes.length; i++) out[el.attributes[i].name.toLowerCase()] = el.attributes[i].value;
    return out;
  }

  function lineOf(text, part) {
    var at = text.replace(/\r\n?/g, '\n').indexOf(part.replace(/\r\n?/g, '\n'));
    return at < 0 ? 1 : text.replace(/\r\n?/g, '\n').slice(0, at).split('\n').length;
  }

  // ---------------------------------------------------------------- one bound element

  // The component's script for one element, in its language, with `element` and the element's own
  // members in scope (as IE gave a component); run(code) runs a piece of it (an ONEVENT text),
  // call(name, args) one of its functions.
  function jsScope(el, def, names, codes) {
    var scopeObj = new Proxy(Object.create(null), {
      has: function (t, k) {
        if (typeof k !== 'string') return false;
        return k === 'element' || k in names || k in el;
      },
      get: function (t, k) {
        if (k === Symbol.unscopables || typeof k !== 'string') return undefined;
        if (k === 'element') return el;
        if (k in names) return names[k];
        var v = el[k];
        return typeof v === 'function' && !/^on/.test(k) ? v.bind(el) : v;
      },
      set: function (t, k, v) {
        if (k in names) names[k] = v;
        else el[k] = v;
        return true;
      }
    });
    var body = codes
      .map(function (c) {
        return c.text;
      })
      .join('\n');
    var first = codes.length ? codes[0].line : 1;
    var pad = first > 1 ? new Array(first).join('\n') : '';
    // One line of wrapper, then the script at its own lines, so the engine names them in errors.
    var source =
      '(function (__scope) { with (__scope) { return (function () {' +
      pad.slice(1) +
      '\n' +
      body +
      '\nreturn function (__code) { return eval(__code); };\n})(); } })\n//# sourceURL=' +
      def.url;
    var evaluate = (0, eval)(source)(scopeObj);
    return {
      run: function (code) {
        return evaluate(code);
      },
      call: function (name, args) {
        var fn = evaluate(name);
        if (typeof fn !== 'function') throw new TypeError(name + ' не е функция на компонента');
        return fn.apply(el, args);
      }
    };
  }

  function vbScope(el, def, names, codes) {
    var vb = compat.vbscript;
    if (!vb) {
      note('„' + fileName(def.url) + '“ е на VBScript, а VBScript не е зареден');
      return null;
    }
    names.element = el;
    var s = vb.scope(names, el);
    for (var i = 0; i < codes.length; i++) s.run(codes[i].text, { url: def.url, base: codes[i].line });
    return {
      run: function (code) {
        s.handle(code, el, { url: def.url });
      },
      call: function (name, args) {
        return s.call(name, args);
      },
      has: function (name) {
        return s.has(name);
      }
    };
  }

  function bind(el, def, id) {
    compat.use('поведения');
    // What the script sees by name: the events' and properties' IDs, createEventObject.
    var names = Object.create(null);
    names.createEventObject = function () {
      return {};
    };
    var i;
    for (i = 0; i < def.event.length; i++) declareEvent(el, def, def.event[i], names);
    var props = [];
    for (i = 0; i < def.property.length; i++) props.push(declareProperty(el, def.property[i], names));

    var js = def.scripts.filter(function (c) {
      return !c.vb;
    });
    var vbs = def.scripts.filter(function (c) {
      return c.vb;
    });
    var scopes = { js: null, vb: null };
    if (js.length || def.language === 'js') scopes.js = jsScope(el, def, names, js);
    if (vbs.length) scopes.vb = vbScope(el, def, names, vbs);
    var main = def.language === 'vb' && scopes.vb ? scopes.vb : scopes.js || scopes.vb;
    if (!main) return id;
    var callIn = function (name, args) {
      if (scopes.vb && (scopes.vb.has(name) || !scopes.js)) return scopes.vb.call(name, args);
      return scopes.js.call(name, args);
    };

    for (i = 0; i < props.length; i++) props[i](callIn);
    for (i = 0; i < def.method.length; i++) declareMethod(el, def.method[i], callIn);

    var ready = [];
    for (i = 0; i < def.attach.length; i++) {
      var a = def.attach[i];
      var evt = (a.event || '').toLowerCase();
      var code = a.onevent || '';
      if (!evt || !code) continue;
      var run = (function (c) {
        return function () {
          main.run(c);
        };
      })(code);
      if (evt === 'oncontentready' || evt === 'ondocumentready') ready.push({ evt: evt, run: run });
      else if (evt !== 'ondetach') {
        var target = attachTarget(el, a['for']);
        target.addEventListener(evt.replace(/^on/, ''), run);
      }
    }
    // Content first, then the document; both at once when the page is already parsed.
    var fire = function (which) {
      for (var k = 0; k < ready.length; k++) if (ready[k].evt === which) ready[k].run();
    };
    fire('oncontentready');
    if (doc.readyState === 'loading') doc.addEventListener('DOMContentLoaded', fire.bind(null, 'ondocumentready'));
    else fire('ondocumentready');
    return id;
  }

  function attachTarget(el, forWhat) {
    var f = (forWhat || 'element').toLowerCase();
    if (f === 'document') return doc;
    if (f === 'window') return win;
    return el;
  }

  // PUBLIC:PROPERTY NAME [VALUE] [GET] [PUT] [ID]: on the element, read and written through the
  // component's functions when it names them; its starting value from the element's attribute.
  function declareProperty(el, p, names) {
    var name = p.name;
    if (!name) return function () {};
    var has = el.hasAttribute(name);
    var value = has ? el.getAttribute(name) : p.value;
    if (p.id) {
      names[p.id] = {
        fireChange: function () {
          el.dispatchEvent(new CustomEvent('propertychange', { detail: { propertyName: name } }));
        }
      };
    }
    return function (callIn) {
      Object.defineProperty(el, name, {
        configurable: true,
        enumerable: true,
        get: function () {
          return p.get ? callIn(p.get, []) : value;
        },
        set: function (v) {
          if (p.put) callIn(p.put, [v]);
          else value = v;
        }
      });
    };
  }

  // PUBLIC:METHOD NAME [INTERNALNAME]: a method of the element that calls the component.
  function declareMethod(el, m, callIn) {
    if (!m.name) return;
    var inner = m.internalname || m.name;
    el[m.name] = function () {
      return callIn(inner, Array.prototype.slice.call(arguments));
    };
  }

  // PUBLIC:EVENT NAME ID: the component fires it with id.fire(eventObject); the element's
  // handler (property or attribute) and attached listeners get it, window.event its fields.
  function declareEvent(el, def, e, names) {
    var name = (e.name || '').toLowerCase();
    if (!name) return;
    var type = name.replace(/^on/, '');
    el.addEventListener(type, function (ev) {
      if (!ev.corvaneComponent) return;
      var h = el[e.name] || el[name];
      if (typeof h === 'function') return h.call(el, ev);
      var code = el.getAttribute(name);
      if (code) runAttribute(el, code);
    });
    if (e.id) {
      names[e.id] = {
        fire: function (obj) {
          var ev = new CustomEvent(type, { bubbles: false, cancelable: true });
          ev.corvaneComponent = true;
          if (obj) {
            Object.keys(obj).forEach(function (k) {
              try {
                Object.defineProperty(ev, k, { value: obj[k], configurable: true, writable: true });
              } catch (x) {
                // a field the event keeps for itself
              }
            });
          }
          return el.dispatchEvent(ev);
        }
      };
    }
  }

  // An element's handler attribute for a component's own event: JavaScript, or VBScript where
  // the element or the page says so.
  function runAttribute(el, code) {
    var m = /^\s*(vbscript|vbs|javascript|jscript)\s*:/i.exec(code);
    var lang = m ? m[1].toLowerCase() : (el.getAttribute('language') || '').toLowerCase();
    var text = m ? code.slice(m[0].length) : code;
    if (/^vbs/.test(lang) || (!lang && pageDefaultVB())) {
      if (compat.vbscript) compat.vbscript.handle(text, el);
      return;
    }
    new Function('event', text).call(el, win.event);
  }

  function pageDefaultVB() {
    var first = doc.getElementsByTagName('script')[0];
    if (!first) return false;
    var t = (first.getAttribute('type') || first.getAttribute('language') || '').toLowerCase();
    return /vbs/.test(t);
  }

  // ---------------------------------------------------------------- IE's own methods

  // A component's script reaches the page through element.document, as IE gave every element.
  if (!('document' in Element.prototype)) {
    Object.defineProperty(Element.prototype, 'document', {
      configurable: true,
      get: function () {
        return this.ownerDocument;
      }
    });
  }

  if (!('addBehavior' in Element.prototype)) {
    Element.prototype.addBehavior = function (url) {
      compat.use('addBehavior');
      return attach(this, new URL(String(url), doc.baseURI).href);
    };
  }

  // ---------------------------------------------------------------- watching the document

  var observer = new MutationObserver(
    compat.guard('behaviors', function (records) {
      for (var i = 0; i < records.length; i++) {
        var added = records[i].addedNodes;
        for (var j = 0; j < added.length; j++) visit(added[j]);
        if (records[i].type === 'attributes' && ready) seeElement(records[i].target);
      }
    })
  );
  observer.observe(doc, { childList: true, subtree: true, attributes: true, attributeFilter: ['class', 'id'] });

  doc.addEventListener(
    'DOMContentLoaded',
    compat.guard('behaviors', function () {
      ready = true;
      var sheets = doc.querySelectorAll('style, link');
      for (var i = 0; i < sheets.length; i++) seeSheet(sheets[i]);
      applyRules(doc);
    }),
    true
  );
});
