// Stripes that drift with time.
uniform float speed = 0.25;
uniform vec3 tint = vec3(0.9, .4, 1e-1);
void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 uv = (2.0 * fragCoord - iResolution.xy) / iResolution.y;
    float band = step(0.5, fract(uv.x * 4.0 + iTime * speed));
    fragColor = vec4(tint * band, 1.0) * texture(iChannel0, uv);
}
