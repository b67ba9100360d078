(function () {
  'use strict';

  // Index: show only the scripts whose name or category holds the text typed so far.
  var search = document.getElementById('search');
  if (search) {
    // Names are lowered once; the filter then only compares.
    var categories = Array.prototype.map.call(document.querySelectorAll('.category'), function (section) {
      return {
        section: section,
        name: section.getAttribute('data-name').toLowerCase(),
        count: section.querySelector('.count'),
        items: Array.prototype.map.call(section.querySelectorAll('li'), function (item) {
          return { item: item, name: item.getAttribute('data-name').toLowerCase() };
        })
      };
    });
    var shown = document.getElementById('shown');
    var nothing = document.getElementById('nothing');
    var total = document.querySelectorAll('.category li').length;
    var filter = function () {
      var query = search.value.trim().toLowerCase();
      var count = 0;
      categories.forEach(function (category) {
        var categoryMatches = category.name.indexOf(query) !== -1;
        var inCategory = 0;
        category.items.forEach(function (entry) {
          var match = categoryMatches || entry.name.indexOf(query) !== -1;
          entry.item.hidden = !match;
          if (match) inCategory++;
        });
        category.section.hidden = inCategory === 0;
        category.count.textContent = inCategory;
        count += inCategory;
      });
      nothing.hidden = count !== 0;
      shown.textContent = query ? 'Показани: ' + count + ' от ' + total : '';
    };
    search.addEventListener('input', filter);
    filter();
  }

  // Script page: copy the source as the code box holds it.
  var copy = document.getElementById('copy');
  if (copy) {
    var code = document.getElementById('code');
    var copied = document.getElementById('copied');
    var say = function (text) {
      copied.textContent = text;
      window.setTimeout(function () { copied.textContent = ''; }, 2500);
    };
    var fallback = function (text) {
      var area = document.createElement('textarea');
      area.value = text;
      area.setAttribute('readonly', '');
      area.style.position = 'fixed';
      area.style.opacity = '0';
      document.body.appendChild(area);
      area.select();
      var done = false;
      try { done = document.execCommand('copy'); } catch (e) { done = false; }
      document.body.removeChild(area);
      say(done ? 'Кодът е копиран.' : 'Копирането не успя: изберете кода и натиснете Ctrl+C.');
    };
    copy.addEventListener('click', function () {
      var text = code.textContent;
      if (navigator.clipboard && navigator.clipboard.writeText) {
        navigator.clipboard.writeText(text).then(function () { say('Кодът е копиран.'); },
                                                 function () { fallback(text); });
      } else {
        fallback(text);
      }
    });
  }
})();
