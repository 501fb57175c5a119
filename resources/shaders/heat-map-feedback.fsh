// Heat Map, feedback: heat (16 bits in red and green) spreads, rises and cools; the
// finger adds heat, more and wider when it moves fast. A faint ember wanders on its own.

float heatAt(vec2 p) {
  vec4 t = texture(u_buffer0, p);
  return t.r + t.g / 255.0;
}

vec4 pack(float h) {
  h = clamp(h, 0.0, 0.9999);
  float hi = floor(h * 255.0) / 255.0;
  return vec4(hi, (h - hi) * 255.0, 0.0, 1.0);
}

vec2 finger() { return (a_x == 0.0 && a_y == 0.0) ? vec2(0.5) : vec2(a_x, a_y); }

void main() {
  vec2 uv = v_texcoord;
  vec2 size = max(a_size, vec2(1.0));
  vec2 aspect = vec2(size.x / size.y, 1.0);
  vec2 point = 1.0 / size;  // one point across, so the heat moves alike at any pixel density

  // Heat rises a little and wavers as it goes.
  vec2 drift = vec2(sin(uv.y * 40.0 + u_time * 3.0) * 0.4, -0.6) * point;
  vec2 p = uv + drift;
  float c = heatAt(p);
  float around = heatAt(p + vec2(1.5, 1.5) * point) + heatAt(p + vec2(-1.5, 1.5) * point) +
                 heatAt(p + vec2(1.5, -1.5) * point) + heatAt(p + vec2(-1.5, -1.5) * point);
  float h = mix(c, around * 0.25, 0.6);
  h -= 0.0012 + 0.004 * h;

  float g = clamp(a_g, 0.0, 1.0);
  float s = clamp(a_speed, 0.0, 1.0);
  vec2 d = (uv - finger()) * aspect;
  float radius = 0.03 + 0.05 * s;
  h += g * (0.09 + 0.06 * s) * exp(-dot(d, d) / (radius * radius));

  vec2 ember = vec2(0.5) + vec2(0.32 * sin(u_time * 0.31), 0.28 * sin(u_time * 0.47 + 1.0));
  vec2 e = (uv - ember) * aspect;
  h += 0.012 * exp(-dot(e, e) / 0.0012);

  fragColor = pack(h);
}
