/*
 * Orchard Lane Bakery - small helpers for every page.
 */

// Marks the link of the current page in the navigation
function markCurrentPage() {
    var links = document.getElementById( "nav" ).getElementsByTagName( "a" );
    for ( var i = 0; i < links.length; i++ ) {
        if ( links[i].href == window.location.href ) {
            links[i].className = "current";   // highlighted by the style sheet
        }
    }
}

/* Opens external links in a new window */
function openExternalLinks() {
    var links = document.getElementsByTagName( 'a' );
    for ( var i = 0; i < links.length; i++ ) {
        var href = links[i].getAttribute( 'href' ) || '';
        if ( href.indexOf( 'http' ) === 0 ) {
            links[i].target = '_blank';
        }
    }
}

window.onload = function () {
    markCurrentPage();
    openExternalLinks();
};
