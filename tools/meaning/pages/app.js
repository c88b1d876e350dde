/**
 * A classic script file.
 */
(function () {
  'use strict';
  var items = document.querySelectorAll('li.row .name');
  var total = 0;
  for (var i = 0; i < items.length; i++) {
    total += items[i].textContent.length;   // count
  }
  var p = document.createElement('p');
  p.id = 'total';
  p.textContent = 'total ' + total + ' / ' + items.length;
  document.body.appendChild(p);
})();
